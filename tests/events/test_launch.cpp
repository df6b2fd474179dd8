// The bezel launch buttons (events 4, 5, 7) in the real Tarnview: which command
// line is started (per user, per machine, the maker's default), the search for
// the new program's window and bringing it to the front, which holds up neither
// the next event nor the keyboard, and a program that needs administrator rights.
#include <gtest/gtest.h>
#include <stdio.h>
#include "eventcheck.h"
#include "keyinput.h"

namespace {

const wchar_t kInstall[] = L"C:\\Tarn Events";   // a blank, as in "Program Files"
const wchar_t kDecoy[] = L"C:\\Tarn.exe";        // what an unquoted path would start
const wchar_t kPolicy[] = L"SOFTWARE\\Policies\\Halvern\\BezelButton";

class Launch : public ev::EventTest
{
protected:
    void SetUp() override
    {
        ev::EventTest::SetUp();
        ClearConfiguration();
        ASSERT_TRUE(ev::MakeFolders(std::wstring(kInstall) + L"\\Pin Wheel"));
        ASSERT_TRUE(ev::MakeFolders(std::wstring(kInstall) + L"\\Dove Tail"));
        ASSERT_TRUE(ev::CopyStandIn(Target(), std::wstring(kInstall) + L"\\Pin Wheel\\Pinwheel.exe"));
        ASSERT_TRUE(ev::CopyStandIn(Target(), std::wstring(kInstall) + L"\\Dove Tail\\Dovetail.exe"));
        ASSERT_TRUE(ev::CopyStandIn(Target(), kDecoy));
        Start();
    }
    virtual void Start() { LaunchProduct(); }

    // The started programs go first: they hold their files open.
    void TearDown() override
    {
        ev::EventTest::TearDown();
        ClearConfiguration();
        DeleteFileW(kDecoy);
        ev::RemoveTree(kInstall);
        ev::RemoveTree(L"C:\\TarnLong");
    }

    static void ClearConfiguration()
    {
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, kPolicy);
        ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, L"BezelButton");
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, L"Pinwheel");
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, L"DVT");
    }

    static std::wstring Target() { return tarn::SimDir() + L"\\LaunchTarget.exe"; }

    // A configured command line, and the call-log line its start leaves.
    static std::wstring Configured(const std::wstring &options)
    {
        return L"\"" + Target() + L"\" " + options;
    }
    static std::string StartLine(const std::wstring &cmdLine)
    {
        return "LaunchTarget " + tarn::Narrow(cmdLine);
    }

    // The programs started: the launch target logs its command line first.
    static std::vector<std::string> Started()
    {
        std::vector<std::string> out;
        for (const std::string &line : ev::CallsStarting("LaunchTarget "))
            if (line.find(".exe") != std::string::npos || line.find(".EXE") != std::string::npos)
                out.push_back(line);
        return out;
    }
    // The dispatcher returns once the program is started, before it has run.
    static std::vector<std::string> StartedOnce(size_t count = 1)
    {
        tarn::WaitUntil([count] { return Started().size() >= count; }, ev::kDeadlineMs);
        return Started();
    }

    // Delivers the event and returns how long the dispatcher took.
    static DWORD Press(DWORD event)
    {
        ev::ClearCalls();
        DWORD dwStart = GetTickCount();
        EXPECT_TRUE(ev::Deliver(event)) << "event " << event;
        return GetTickCount() - dwStart;
    }
};

struct Button
{
    DWORD event;
    const wchar_t *value;
    const wchar_t *fallbackKey, *fallbackValue, *program, *folder;
    const char *logText;
};

const Button kButtons[] = {
    { 4, L"SingleClickLaunch", L"Pinwheel", L"InstallDir", L"Pinwheel.exe", L"Pin Wheel", "received BEZELBUTTON_SINGLE_CLICK" },
    { 5, L"DoubleClickLaunch", L"DVT", L"INSTALLDIR", L"Dovetail.exe", L"Dove Tail", "received BEZELBUTTON_DOUBLE_CLICK" },
    { 7, L"BezelCameraLaunch", nullptr, nullptr, nullptr, nullptr, "received BEZEL_CAMERA Click" },
};

// The machine's policy over per user over per machine over the maker's default;
// each removed in turn.
TEST_F(Launch, PolicyBeforePerUserBeforePerMachineBeforeDefault)
{
    for (const Button &b : kButtons)
    {
        std::wstring policy = Configured(L"--tag policy --life 8000");
        ev::SetHalvernText(HKEY_LOCAL_MACHINE, kPolicy, b.value, policy);
        std::wstring user = Configured(L"--tag user --life 8000");
        std::wstring machine = Configured(L"--tag machine --life 8000");
        ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", b.value, user);
        ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", b.value, machine);
        std::wstring folder = b.folder ? std::wstring(kInstall) + L"\\" + b.folder : L"";
        if (b.fallbackKey)
            ev::SetHalvernText(HKEY_LOCAL_MACHINE, b.fallbackKey, b.fallbackValue, folder);
        std::string what = "event " + std::to_string(b.event);

        tarn::PrepareLog();
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(policy) }), StartedOnce()) << what;
        EXPECT_TRUE(tarn::LogHasLine(b.logText)) << what;
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, kPolicy);
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(user) }), StartedOnce()) << what;

        // A per-user value too long to read (more than 512 bytes) counts as absent.
        ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", b.value, user + std::wstring(300, L' '));
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(machine) }), StartedOnce()) << what;

        ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(machine) }), StartedOnce()) << what;

        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, L"BezelButton");
        Press(b.event);
        // The default's path is quoted: the decoy C:\Tarn.exe never runs.
        std::vector<std::string> fallback;
        if (b.program)
            fallback.push_back("LaunchTarget \"" + tarn::Narrow(folder) + "\\" + tarn::Narrow(b.program) + "\"");
        EXPECT_EQ(fallback, StartedOnce(fallback.size())) << what;
    }
}

// The templates' own key and value names, written as Group Policy writes them (the
// native view of this 64-bit test): each policy wins over the user's value.
TEST_F(Launch, MachinePolicyFromTheTemplatesWinsOverTheUsersValue)
{
    std::string admx;
    FILE *pFile = _wfopen((tarn::OutDir() + L"\\policy\\Tarn.admx").c_str(), L"rb");
    ASSERT_NE(nullptr, pFile);
    for (int c; (c = fgetc(pFile)) != EOF;)
        admx += (char)c;
    fclose(pFile);
    size_t at = admx.find(" key=\""), end = admx.find('"', at + 6);
    ASSERT_NE(std::string::npos, end);
    const std::wstring key(admx.begin() + at + 6, admx.begin() + end);
    int nPolicies = 0;
    for (at = admx.find("valueName=\""); at != std::string::npos; at = admx.find("valueName=\"", end))
    {
        end = admx.find('"', at + 11);
        const std::wstring value(admx.begin() + at + 11, admx.begin() + end), policy = Configured(L"--tag policy --life 8000");
        for (const Button &b : kButtons)
            if (value == b.value)
            {
                ev::SetHalvernText(HKEY_LOCAL_MACHINE, key.c_str(), b.value, policy);
                ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", b.value, Configured(L"--tag user --life 8000"));
                Press(b.event);
                EXPECT_EQ((std::vector<std::string>{ StartLine(policy) }), StartedOnce()) << tarn::Narrow(value);
                ++nPolicies;
            }
    }
    EXPECT_EQ(kPolicy, key);
    EXPECT_EQ(3, nPolicies) << "one policy a button";
}

// Used as the user wrote it: not quoted again, and a value needs no terminator.
// A bare program path with blanks is quoted, so the decoy never runs, and a
// REG_EXPAND_SZ value is expanded first.
TEST_F(Launch, ConfiguredCommandLineIsUsedAsWrittenAndABareProgramQuoted)
{
    std::wstring program = std::wstring(kInstall) + L"\\Pin Wheel\\Pinwheel.exe";
    std::wstring cmd = L"\"" + program + L"\" --tag written --life 8000";
    ev::SetHalvernRaw(HKEY_LOCAL_MACHINE, L"BezelButton", L"BezelCameraLaunch", cmd.c_str(),
                      (DWORD)(cmd.size() * sizeof(wchar_t)));
    Press(7);
    EXPECT_EQ((std::vector<std::string>{ StartLine(cmd) }), StartedOnce());
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"BezelCameraLaunch", program);
    Press(7);
    EXPECT_EQ((std::vector<std::string>{ StartLine(L"\"" + program + L"\"") }), StartedOnce());
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"BezelCameraLaunch",
                       L"%SystemDrive%" + program.substr(2), REG_EXPAND_SZ);
    Press(7);
    EXPECT_EQ((std::vector<std::string>{ StartLine(L"\"" + program + L"\"") }), StartedOnce());
}

// An empty per-user value is present: its start fails, is logged, and the search
// ends there. The log says why, before the dispatcher returns.
TEST_F(Launch, EmptyPerUserValueEndsTheSearch)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"DoubleClickLaunch", L"");
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"DoubleClickLaunch", Configured(L"--tag machine --life 8000"));
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"DVT", L"INSTALLDIR", std::wstring(kInstall) + L"\\Dove Tail");
    tarn::PrepareLog();
    Press(5);
    EXPECT_TRUE(tarn::LogHasLine("LaunchBezelApplication: \"\" not started, error 2"));
    EXPECT_EQ(std::vector<std::string>(), Started());
    EXPECT_TRUE(tarn::LogHasLine("received BEZELBUTTON_DOUBLE_CLICK"));
    // A missing program likewise starts nothing, and the next press works.
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"DoubleClickLaunch", L"C:\\nowhere\\missing.exe");
    Press(5);
    EXPECT_TRUE(tarn::LogHasLine("LaunchBezelApplication: \"C:\\nowhere\\missing.exe\" not started, error 2"));
    EXPECT_EQ(std::vector<std::string>(), Started());
    ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
    Press(5);
    EXPECT_EQ(1u, StartedOnce().size());
}

// The default's quoted command line must fit 260 characters with its terminator.
TEST_F(Launch, DefaultThatDoesNotFitStartsNothing)
{
    // Folders of 244 and 245 characters: the quoted path is 259 and 260 characters.
    std::wstring fits = ev::FolderOfLength(L"C:\\TarnLong", 244);
    std::wstring tooLong = ev::FolderOfLength(L"C:\\TarnLong", 245);
    for (const std::wstring &dir : { fits, tooLong })
    {
        ASSERT_TRUE(ev::MakeFolders(dir));
        ASSERT_TRUE(ev::CopyStandIn(Target(), dir + L"\\Pinwheel.exe"));
    }
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"Pinwheel", L"InstallDir", fits);
    Press(4);
    EXPECT_EQ((std::vector<std::string>{ "LaunchTarget \"" + tarn::Narrow(fits) + "\\Pinwheel.exe\"" }), StartedOnce());
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"Pinwheel", L"InstallDir", tooLong);
    Press(4);
    EXPECT_EQ(std::vector<std::string>(), Started());
    ev::StopChildrenOf(m_hProcess);
}

TEST_F(Launch, NothingConfiguredForTheCameraStartsNothing)
{
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"Pinwheel", L"InstallDir", std::wstring(kInstall) + L"\\Pin Wheel");
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"DVT", L"INSTALLDIR", std::wstring(kInstall) + L"\\Dove Tail");
    tarn::PrepareLog();
    Press(7);
    EXPECT_EQ(std::vector<std::string>(), Started());
    EXPECT_TRUE(tarn::LogHasLine("received BEZEL_CAMERA Click"));
}

HWND FindTitled(const wchar_t *title)
{
    return FindWindowW(L"TarnSimLaunchTarget", title);
}

// The window appears 2.5 s after the start, minimised: found by a later pass,
// restored, lifted and made the foreground window, while the dispatcher is long free.
TEST_F(Launch, LateMinimisedWindowIsFoundRestoredAndBroughtToFront)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--delay 2500 --minimized --tag late --life 20000"));
    tarn::PrepareLog();
    DWORD dwTook = Press(7);
    EXPECT_LT(dwTook, 2500u) << "the dispatcher waited for the window";
    ASSERT_TRUE(ev::WaitForCall("LaunchTarget late foreground", ev::kDeadlineMs)) << tarn::ReadLog();
    HWND hWnd = FindTitled(L"LaunchTarget late");
    ASSERT_NE(nullptr, hWnd);
    EXPECT_FALSE(IsIconic(hWnd)) << "not restored";
    // The lift is queued to the window's own thread: it may become the foreground first.
    EXPECT_TRUE(tarn::WaitUntil([hWnd] { return !(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST); },
                                ev::kDeadlineMs)) << "left topmost";
    EXPECT_EQ(hWnd, GetForegroundWindow());
    // Started in Tarnview's working folder, the install folder.
    EXPECT_EQ(1, ev::CountCalls("LaunchTarget late folder " + tarn::Narrow(tarn::BinDir())));
}

// The window Tarnview brought forward, as its log names it; NULL before.
HWND BroughtForward()
{
    const std::string text = tarn::ReadLog(), mark = "LaunchBezelApplication: window 0x";
    size_t at = text.find(mark);
    return at == std::string::npos ? nullptr
                                   : (HWND)(ULONG_PTR)strtoul(text.c_str() + at + mark.size(), nullptr, 16);
}

// A zero-height window that is visible first is not the one brought forward.
TEST_F(Launch, ZeroHeightWindowIsPassedOver)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--zero-height-first --delay 1500 --minimized --tag zero --life 20000"));
    tarn::PrepareLog();
    Press(7);
    HWND hWnd = nullptr;
    ASSERT_TRUE(tarn::WaitUntil([&hWnd] { return (hWnd = BroughtForward()) != nullptr; }, ev::kDeadlineMs))
        << tarn::ReadLog();
    EXPECT_EQ(1, ev::CountCalls("LaunchTarget zero zero-height window"));
    RECT rc = {};
    EXPECT_TRUE(GetWindowRect(hWnd, &rc));
    EXPECT_NE(0, rc.bottom - rc.top) << "the zero-height window was taken for the target";
    EXPECT_TRUE(GetWindowLongW(hWnd, GWL_STYLE) & WS_CAPTION) << "not the target's main window";
}

// Six one-second passes, then the program is left running as it is; the events
// that come meanwhile are handled at once, and so is a second launch.
TEST_F(Launch, WindowSearchHoldsUpNoOtherEvent)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--delay never --tag hidden --life 30000"));
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"SingleClickLaunch",
                       Configured(L"--delay 500 --tag second --life 20000"));
    EXPECT_LT(Press(7), 2500u);
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 0"));
    DWORD dwStart = GetTickCount();
    ASSERT_TRUE(ev::Deliver(0));
    ASSERT_TRUE(ev::Deliver(4));
    EXPECT_LT(GetTickCount() - dwStart, 3000u) << "the events waited for the window search";
    EXPECT_EQ(1, ev::CountCalls("ORX_SetWiFiPowerStatus 1 -> 0"));
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget second foreground", ev::kDeadlineMs));
    Sleep(7000);
    EXPECT_EQ(0, ev::CountCalls("LaunchTarget hidden exit")) << "the program was stopped";
}

// A program that stops answering once its window shows holds up neither the
// dispatcher, nor Tarnview's keyboard hook, nor the window the user types into.
TEST_F(Launch, HungProgramHoldsUpNothing)
{
    ASSERT_TRUE(tarn::OpenKeyWindow());
    ASSERT_TRUE(tarn::TakeForeground());
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--hang --tag hung --life 40000"));
    tarn::PrepareLog();
    Press(7);
    ASSERT_TRUE(ev::WaitForCall("LaunchTarget hung hangs", ev::kDeadlineMs));
    Sleep(2500);   // the first pass finds the window and brings it forward
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 1"));
    DWORD dwStart = GetTickCount();
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_LT(GetTickCount() - dwStart, 5000u) << "the dispatcher waited on the hung program";
    tarn::PressKey(VK_CAPITAL);
    EXPECT_TRUE(tarn::WaitUntil([] {
        return tarn::CountLines("WndProc: CAPS_LOCK_ON") + tarn::CountLines("WndProc: CAPS_LOCK_OFF") == 1;
    }, ev::kDeadlineMs)) << "the keyboard hook stopped";
    tarn::PressKey(VK_CAPITAL);
    ASSERT_TRUE(tarn::TakeForeground());
    tarn::PressKey('Q');
    EXPECT_TRUE(tarn::WaitUntil([] { tarn::PumpMessages(); return tarn::TypedText().find(L'q') != std::wstring::npos; },
                                ev::kDeadlineMs)) << "the user's window got no keys";
    tarn::CloseKeyWindow();
}

// From Vista on, CreateProcessW refuses a program that asks for administrator
// rights (error 740, given here through the test build): the shell starts it,
// in the same working folder, and it still comes to the front. Any other
// refusal is logged and starts nothing.
class LaunchRefused : public Launch
{
protected:
    void Start() override { LaunchWithSeams(); }
};

TEST_F(LaunchRefused, ProgramNeedingAdministratorRightsIsStartedThroughTheShell)
{
    std::wstring cmd = Configured(L"--tag shell --life 20000");
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch", cmd);
    ev::SetSimDword(L"SeamCreateProcessError", 740);   // ERROR_ELEVATION_REQUIRED
    tarn::PrepareLog();
    Press(7);
    EXPECT_TRUE(tarn::LogHasLine("LaunchBezelApplication: \"" + tarn::Narrow(cmd)
                                 + "\" needs administrator rights, started through the shell"));
    EXPECT_EQ((std::vector<std::string>{ StartLine(cmd) }), StartedOnce());
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget shell foreground", ev::kDeadlineMs));
    EXPECT_EQ(1, ev::CountCalls("LaunchTarget shell folder " + tarn::Narrow(tarn::BinDir())));
    ev::SetSimDword(L"SeamCreateProcessError", ERROR_ACCESS_DENIED);
    Press(7);
    EXPECT_TRUE(tarn::LogHasLine("LaunchBezelApplication: \"" + tarn::Narrow(cmd) + "\" not started, error 5"));
    EXPECT_TRUE(Started().empty());
    ev::DeleteSimValue(L"SeamCreateProcessError");
}

}  // namespace
