// Tarnview's start-up from the installed tree: log order, one copy per logon,
// the install folder as current directory, the "HookWnd" window.
#include <gtest/gtest.h>
#include <algorithm>
#include "harness.h"

namespace {

std::string Fmt(const char *format, int n)
{
    char sz[128];
    snprintf(sz, sizeof(sz), format, n);
    return sz;
}

std::wstring Trimmed(std::wstring dir)
{
    while (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    std::transform(dir.begin(), dir.end(), dir.begin(), towlower);
    return dir;
}

class Startup : public tarn::TarnviewTest {};

TEST_F(Startup, LogFollowsLoadingThenDllMainThenRegisterHook)
{
    Launch();
    int nVersion = tarn::PrefixOSVersion();
    std::string init = nVersion < 60 ? "InitializeVolumeStep: init XP data" : "InitializeVolumeStep: init win7 data";
    std::vector<std::string> lines = tarn::LogLines();
    ASSERT_GE(lines.size(), 3u);
    // Static initialisation runs before the first DllMain call.
    EXPECT_EQ(Fmt("get os is %d", nVersion), lines[0]);
    EXPECT_EQ(init, lines[1]);
    EXPECT_EQ("enter dllmain", lines[2]);
    const std::string order[] = { Fmt("RegisterHook: OSVersion = %d", nVersion), Fmt("get os is %d", nVersion), init,
                                  Fmt("Tarnview: OS version is %d", nVersion) };
    size_t pos = 3;
    for (const std::string &line : order)
    {
        auto it = std::find(lines.begin() + pos, lines.end(), line);
        ASSERT_NE(lines.end(), it) << "missing in order: " << line;
        pos = it - lines.begin() + 1;
    }
    EXPECT_EQ(1, tarn::CountLines(Fmt("Tarnview: OS version is %d", nVersion)));
    EXPECT_EQ(1, tarn::CountLines(Fmt("RegisterHook: OSVersion = %d", nVersion)));
}

TEST_F(Startup, SecondCopyExitsAtOnceLeavingOneWindow)
{
    Launch();
    size_t cLinesBefore = tarn::LogLines().size();
    HANDLE hSecond = tarn::StartTarnview();
    ASSERT_NE(nullptr, hSecond);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hSecond, 30000));
    DWORD dwExit = 99;
    GetExitCodeProcess(hSecond, &dwExit);
    CloseHandle(hSecond);
    EXPECT_EQ(0u, dwExit);
    EXPECT_EQ(1, tarn::CountHookWindows());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m_hProcess, 0)) << "the first copy must keep running";
    // The second copy loaded the library (its lines) but never registered.
    std::vector<std::string> lines = tarn::LogLines();
    for (size_t i = cLinesBefore; i < lines.size(); ++i)
        EXPECT_EQ(std::string::npos, lines[i].find("RegisterHook")) << lines[i];
}

TEST_F(Startup, HookWindowIsHiddenDisabledAndFarAway)
{
    Launch();
    HWND hWnd = tarn::FindHookWnd();
    EXPECT_FALSE(IsWindowVisible(hWnd));
    // The system adds caption, sibling clipping and edge to every overlapped window.
    EXPECT_EQ((LONG)WS_DISABLED, GetWindowLongW(hWnd, GWL_STYLE) & ~(WS_CAPTION | WS_CLIPSIBLINGS));
    EXPECT_EQ(0, GetWindowLongW(hWnd, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE);
    EXPECT_EQ((ULONG_PTR)CS_BYTEALIGNWINDOW, GetClassLongPtrW(hWnd, GCL_STYLE));
    EXPECT_EQ(nullptr, GetParent(hWnd));
    RECT rc;
    GetWindowRect(hWnd, &rc);
    EXPECT_EQ(10000, rc.left);
    EXPECT_EQ(10000, rc.top);
    HANDLE hEvent = OpenEventW(SYNCHRONIZE, FALSE, L"ShowEvent");
    EXPECT_NE(nullptr, hEvent) << "ShowEvent must exist";
    if (hEvent)
        CloseHandle(hEvent);
}

TEST_F(Startup, InstallFolderBecomesCurrentDirectory)
{
    Launch();
    EXPECT_EQ(Trimmed(tarn::BinDir()), Trimmed(tarn::RemoteCurrentDirectory(m_hProcess)));
}

// A folder whose full path has exactly cch characters.
std::wstring MakeFolderOfLength(size_t cch)
{
    std::wstring base = L"C:\\tarnpath";
    CreateDirectoryW(base.c_str(), NULL);
    std::wstring dir = base + L"\\" + std::wstring(cch - base.size() - 1, L'd');
    CreateDirectoryW(dir.c_str(), NULL);
    return dir;
}

TEST_F(Startup, InstallPathRules)
{
    std::wstring fits = MakeFolderOfLength(99);     // 200 bytes with its terminator
    std::wstring tooLong = MakeFolderOfLength(100); // 202 bytes
    const struct { const wchar_t *name; std::wstring value; bool bTerminated; std::wstring expected; } cases[] = {
        { L"99 characters", fits, true, fits },
        { L"100 characters: the program's own folder", tooLong, true, tarn::BinDir() },
        { L"unterminated", tarn::BinDir(), false, tarn::BinDir() },
    };
    for (const auto &c : cases)
    {
        SetUp();
        tarn::SetInstallPathRaw(c.value.c_str(), (DWORD)((c.value.size() + (c.bTerminated ? 1 : 0)) * sizeof(wchar_t)));
        Launch();
        EXPECT_EQ(Trimmed(c.expected), Trimmed(tarn::RemoteCurrentDirectory(m_hProcess))) << tarn::Narrow(c.name);
        TearDown();
    }
    SetUp();
    tarn::DeleteInstallPath();
    Launch();
    EXPECT_EQ(Trimmed(tarn::TestsDir()), Trimmed(tarn::RemoteCurrentDirectory(m_hProcess))) << "no value";
}

}  // namespace

// The manifest is what Windows reads, Wine does not enforce: resource 1 of
// RT_MANIFEST with the elements and the namespaces that XP also accepts.
TEST(Manifest, AsInvokerDpiAwareSupportedOSGdiPlusInNamespacesXPAccepts)
{
    std::wstring exe = tarn::BinDir() + L"\\Tarnview.exe";
    HMODULE hExe = LoadLibraryExW(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, hExe);
    HRSRC hRes = FindResourceW(hExe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, hRes);
    std::string text((const char *)LockResource(LoadResource(hExe, hRes)), SizeofResource(hExe, hRes));
    FreeLibrary(hExe);
    const char *const expected[] = {
        "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">", "<requestedExecutionLevel level=\"asInvoker\"",
        "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
        "name=\"Microsoft.Windows.GdiPlus\" version=\"1.0.0.0\"",
        sizeof(void *) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"" };
    for (const char *element : expected)
        EXPECT_NE(std::string::npos, text.find(element)) << element;
    // XP refuses an application element in the default (asm.v1) namespace.
    EXPECT_EQ(std::string::npos, text.find("asmv1:application"));
}
