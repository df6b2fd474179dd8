// The bezel launch buttons (events 4, 5, 7) in the real Tarnview: which command
// line is started (per user, per machine, the maker's default), the search for
// the new program's window and bringing it to the front.
#include <gtest/gtest.h>
#include <stdio.h>
#include "eventcheck.h"

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
        LaunchProduct();
    }

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
        EXPECT_EQ((std::vector<std::string>{ StartLine(policy) }), Started()) << what;
        EXPECT_TRUE(tarn::LogHasLine(b.logText)) << what;
        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, kPolicy);
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(user) }), Started()) << what;

        // A per-user value too long to read (more than 512 bytes) counts as absent.
        ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", b.value, user + std::wstring(300, L' '));
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(machine) }), Started()) << what;

        ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
        Press(b.event);
        EXPECT_EQ((std::vector<std::string>{ StartLine(machine) }), Started()) << what;

        ev::DeleteHalvernKey(HKEY_LOCAL_MACHINE, L"BezelButton");
        Press(b.event);
        // The default's path is quoted: the decoy C:\Tarn.exe never runs.
        std::vector<std::string> fallback;
        if (b.program)
            fallback.push_back("LaunchTarget \"" + tarn::Narrow(folder) + "\\" + tarn::Narrow(b.program) + "\"");
        EXPECT_EQ(fallback, Started()) << what;
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
                EXPECT_EQ((std::vector<std::string>{ StartLine(policy) }), Started()) << tarn::Narrow(value);
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
    EXPECT_EQ((std::vector<std::string>{ StartLine(cmd) }), Started());
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"BezelCameraLaunch", program);
    Press(7);
    EXPECT_EQ((std::vector<std::string>{ StartLine(L"\"" + program + L"\"") }), Started());
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"BezelCameraLaunch",
                       L"%SystemDrive%" + program.substr(2), REG_EXPAND_SZ);
    Press(7);
    EXPECT_EQ((std::vector<std::string>{ StartLine(L"\"" + program + L"\"") }), Started());
}

// An empty per-user value is present: its start fails and the search ends there.
TEST_F(Launch, EmptyPerUserValueEndsTheSearch)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"DoubleClickLaunch", L"");
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"BezelButton", L"DoubleClickLaunch", Configured(L"--tag machine --life 8000"));
    ev::SetHalvernText(HKEY_LOCAL_MACHINE, L"DVT", L"INSTALLDIR", std::wstring(kInstall) + L"\\Dove Tail");
    tarn::PrepareLog();
    Press(5);
    EXPECT_EQ(std::vector<std::string>(), Started());
    EXPECT_TRUE(tarn::LogHasLine("received BEZELBUTTON_DOUBLE_CLICK"));
    // A missing program likewise starts nothing, and the next press works.
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"DoubleClickLaunch", L"C:\\nowhere\\missing.exe");
    Press(5);
    EXPECT_EQ(std::vector<std::string>(), Started());
    ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
    Press(5);
    EXPECT_EQ(1u, Started().size());
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
    EXPECT_EQ((std::vector<std::string>{ "LaunchTarget \"" + tarn::Narrow(fits) + "\\Pinwheel.exe\"" }), Started());
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
// restored, lifted and made the foreground window.
TEST_F(Launch, LateMinimisedWindowIsFoundRestoredAndBroughtToFront)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--delay 2500 --minimized --tag late --life 20000"));
    DWORD dwTook = Press(7);
    EXPECT_GE(dwTook, 2500u) << "returned before the window could exist";
    std::vector<std::string> lines = ev::CallsStarting("LaunchTarget late");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("LaunchTarget late window", lines[0]) << "the dispatcher returned before the window existed";
    HWND hWnd = FindTitled(L"LaunchTarget late");
    ASSERT_NE(nullptr, hWnd);
    EXPECT_FALSE(IsIconic(hWnd)) << "not restored";
    EXPECT_FALSE(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) << "left topmost";
    EXPECT_EQ(hWnd, GetForegroundWindow());
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget late foreground", ev::kDeadlineMs));
}

// A zero-height window that is visible first is not the one brought forward.
TEST_F(Launch, ZeroHeightWindowIsPassedOver)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--zero-height-first --delay 1500 --minimized --tag zero --life 20000"));
    Press(7);
    EXPECT_EQ(1, ev::CountCalls("LaunchTarget zero zero-height window"));
    HWND hWnd = FindTitled(L"LaunchTarget zero");
    ASSERT_NE(nullptr, hWnd);
    EXPECT_FALSE(IsIconic(hWnd)) << "the zero-height window was taken for the target";
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget zero foreground", ev::kDeadlineMs));
}

// Six one-second passes, then the program is left running as it is.
TEST_F(Launch, ProgramWithoutWindowsIsLeftAfterSixPasses)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--delay never --tag hidden --life 30000"));
    DWORD dwTook = Press(7);
    EXPECT_GE(dwTook, 5500u) << "gave up before six passes";
    EXPECT_EQ(1u, Started().size());
    EXPECT_EQ(0, ev::CountCalls("LaunchTarget hidden exit")) << "the program was stopped";
    // The dispatcher is free again.
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 0"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_EQ(1, ev::CountCalls("ORX_SetWiFiPowerStatus 1 -> 0"));
}

// The first launch holds the dispatcher until its window was found, so the
// second program starts only after the first one's window exists.
TEST_F(Launch, TwoPressesAtOnceLaunchOneAfterTheOther)
{
    ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", L"BezelCameraLaunch",
                       Configured(L"--delay 1500 --tag pair --life 20000"));
    ev::ClearCalls();
    ASSERT_TRUE(ev::Deliver(7, 2));
    std::vector<std::string> lines = ev::CallLines();
    std::vector<size_t> starts, windows;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (lines[i].compare(0, 14, "LaunchTarget \"") == 0)
            starts.push_back(i);
        else if (lines[i] == "LaunchTarget pair window")
            windows.push_back(i);
    }
    ASSERT_EQ(2u, starts.size());
    ASSERT_EQ(2u, windows.size());
    EXPECT_LT(windows[0], starts[1]) << "the second launch began while the first was still waiting";
}

}  // namespace
