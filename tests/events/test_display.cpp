// The display hot key (event 1) for the OS family of the prefix: Screenflip.exe
// from the install folder before Vista, DisplaySwitch.exe after it, with the
// topologies Wine cannot show reached through Tarnview's test build.
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "Tarnwatch.h"

namespace {

using ev::Indicator;

const wchar_t kInstall[] = L"C:\\Tarn Events";   // a blank, as in "Program Files"
const wchar_t kDecoy[] = L"C:\\Tarn.exe";        // what an unquoted path would start

class Display : public ev::EventTest
{
protected:
    void TearDown() override
    {
        ev::EventTest::TearDown();
        DeleteFileW(kDecoy);
        ev::RemoveTree(kInstall);
        ev::RemoveTree(L"C:\\TarnLong");
    }

    // An install folder with the Screenflip stand-in, and a decoy that an
    // unquoted command line would run in its place.
    static void PrepareScreenflip(const std::wstring &dir)
    {
        ASSERT_TRUE(ev::MakeFolders(dir));
        ASSERT_TRUE(ev::CopyStandIn(tarn::SimDir() + L"\\Screenflip.exe", dir + L"\\Screenflip.exe"));
        ASSERT_TRUE(ev::CopyStandIn(tarn::SimDir() + L"\\Screenflip.exe", kDecoy));
        tarn::SetInstallPath(dir);
    }

    static std::string Started(const std::wstring &dir)
    {
        return "Screenflip \"" + tarn::Narrow(dir) + "\\Screenflip.exe\" Toggle";
    }

    // Delivers the hot key; the Screenflip lines and the indicators it made.
    static void Step(std::vector<std::string> *pStarted, std::vector<Indicator> *pShown)
    {
        ev::ClearCalls();
        ev::ClearSpy();
        ASSERT_TRUE(ev::Deliver(1));
        *pStarted = ev::CallsStarting("Screenflip");
        *pShown = ev::SpyIndicators();
    }
};

TEST_F(Display, XpFamilyScreenflipExitCodeChoosesIndicator)
{
    if (tarn::PrefixOSVersion() >= 60)
        GTEST_SKIP() << "Screenflip.exe runs only before Vista";
    LaunchProduct();
    ASSERT_NO_FATAL_FAILURE(PrepareScreenflip(kInstall));
    ASSERT_TRUE(ev::StartSpy());
    const struct { DWORD exitCode; std::vector<Indicator> shown; } cases[] = {
        { 0, { { DISPLAY_INTERNAL, 0 } } }, { 1, { { DISPLAY_INTERNAL, 0 } } }, { 2, { { DISPLAY_EXTERNAL, 0 } } },
        { 3, { { DISPLAY_DUAL, 0 } } }, { 4, {} }, { 7, {} }, { 0xFFFFFFFF, {} },
    };
    for (const auto &c : cases)
    {
        ASSERT_EQ(0, ev::Orxctl(L"screenflip-exit " + std::to_wstring(c.exitCode)));
        std::vector<std::string> started;
        std::vector<Indicator> shown;
        ASSERT_NO_FATAL_FAILURE(Step(&started, &shown));
        // Hidden, without standard handles, the program path quoted.
        EXPECT_EQ((std::vector<std::string>{ Started(kInstall), "Screenflip startup 257 0 no handles" }), started)
            << "exit " << c.exitCode;
        EXPECT_EQ(c.shown, shown) << "exit " << c.exitCode;
    }
}

TEST_F(Display, XpFamilyWithoutUsableScreenflipShowsInternalAndStartsNothing)
{
    if (tarn::PrefixOSVersion() >= 60)
        GTEST_SKIP() << "Screenflip.exe runs only before Vista";
    LaunchProduct();
    ASSERT_EQ(0, ev::Orxctl(L"screenflip-exit 2"));
    ASSERT_TRUE(ev::StartSpy());
    // Folders whose quoted command line with " Toggle" is 259 and 260 characters.
    std::wstring fits = ev::FolderOfLength(L"C:\\TarnLong", 235);
    std::wstring tooLong = ev::FolderOfLength(L"C:\\TarnLong", 236);
    ASSERT_NO_FATAL_FAILURE(PrepareScreenflip(fits));
    ASSERT_NO_FATAL_FAILURE(PrepareScreenflip(tooLong));
    ASSERT_TRUE(ev::MakeFolders(kInstall));
    std::wstring path300 = L"C:\\" + std::wstring(297, L'p');   // 602 bytes: more than the 512 read
    const struct { const char *name; std::wstring installPath; bool started; std::vector<Indicator> shown; } cases[] = {
        { "command line of 259 characters", fits, true, { { DISPLAY_EXTERNAL, 0 } } },
        { "command line of 260 characters", tooLong, false, { { DISPLAY_INTERNAL, 0 } } },
        { "no Screenflip.exe", kInstall, false, { { DISPLAY_INTERNAL, 0 } } },
        { "path of 300 characters", path300, false, { { DISPLAY_INTERNAL, 0 } } },
        { "no TarnMonPath", L"", false, { { DISPLAY_INTERNAL, 0 } } },
    };
    for (const auto &c : cases)
    {
        if (c.installPath.empty())
            tarn::DeleteInstallPath();
        else
            tarn::SetInstallPath(c.installPath);
        std::vector<std::string> started;
        std::vector<Indicator> shown;
        ASSERT_NO_FATAL_FAILURE(Step(&started, &shown));
        if (c.started)
            EXPECT_EQ(Started(c.installPath), started.empty() ? "" : started[0]) << c.name;
        else
            EXPECT_EQ(std::vector<std::string>(), started) << c.name;
        EXPECT_EQ(c.shown, shown) << c.name;
    }
}

TEST_F(Display, XpFamilyShowsTheModeOnScreen)
{
    if (tarn::PrefixOSVersion() >= 60)
        GTEST_SKIP() << "Screenflip.exe runs only before Vista";
    LaunchProduct();
    ASSERT_NO_FATAL_FAILURE(PrepareScreenflip(kInstall));
    ASSERT_EQ(0, ev::Orxctl(L"screenflip-exit 3"));
    ASSERT_TRUE(ev::Deliver(1));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_MODE, L"Ds_Dual.png"));
    ASSERT_EQ(0, ev::Orxctl(L"screenflip-exit 2"));
    ASSERT_TRUE(ev::Deliver(1));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_MODE, L"Ds_Ext.png"));
}

// Vista and later: the tool is looked up in the system folder.
class DisplaySwitch : public Display
{
protected:
    void SetUp() override
    {
        if (tarn::PrefixOSVersion() < 60)
            GTEST_SKIP() << "DisplaySwitch.exe runs only from Vista on";
        Display::SetUp();
        // Where 64-bit Windows keeps the tool: a 32-bit Tarnview must find it there too.
        ASSERT_TRUE(ev::CopyStandIn(tarn::SimDir() + L"\\DisplaySwitch.exe", ev::NativeSystemFolder() + L"\\DisplaySwitch.exe"));
    }

    // Delivers the hot key; DisplaySwitch's lines, the indicators and the mode logged.
    static DWORD Step(std::vector<std::string> *pSwitched, std::vector<Indicator> *pShown, std::vector<std::string> *pLog)
    {
        ev::ClearCalls();
        ev::ClearSpy();
        tarn::PrepareLog();
        DWORD dwStart = GetTickCount();
        EXPECT_TRUE(ev::Deliver(1));
        DWORD dwTook = GetTickCount() - dwStart;
        // ShellExecute returns before the tool has run.
        tarn::WaitUntil([] { return !ev::CallsStarting("DisplaySwitch").empty(); }, ev::kDeadlineMs);
        *pSwitched = ev::CallsStarting("DisplaySwitch");
        *pShown = ev::SpyIndicators();
        pLog->clear();
        for (const std::string &line : tarn::LogLines())
            if (line.compare(0, 19, "display switch mode") == 0 || line.compare(0, 27, "GetCurrentDisplaySwitchMode") == 0)
                pLog->push_back(line);
        return dwTook;
    }
};

// Wine reports the internal panel alone: the step goes to the external display.
TEST_F(DisplaySwitch, InternalPanelStepsToExternal)
{
    LaunchProduct();
    ASSERT_TRUE(ev::StartSpy());
    std::vector<std::string> switched, log;
    std::vector<Indicator> shown;
    DWORD dwTook = Step(&switched, &shown, &log);
    EXPECT_EQ((std::vector<std::string>{ "DisplaySwitch /external" }), switched);
    EXPECT_EQ((std::vector<Indicator>{ { DISPLAY_EXTERNAL, 0 } }), shown);
    EXPECT_EQ((std::vector<std::string>{ "display switch mode = 4" }), log);
    EXPECT_GE(dwTook, 800u) << "the new mode is given its pause before it is shown";
    ev::StopSpy();
    ASSERT_TRUE(ev::Deliver(1));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_MODE, L"Ds_Ext.png"));
}

TEST_F(DisplaySwitch, TopologyChoosesTheStep)
{
    LaunchWithSeams();
    ev::SetSimString(L"SeamDisplayConfigLibrary", tarn::SimDir() + L"\\DisplayConfigSim.dll");
    ASSERT_TRUE(ev::StartSpy());
    const std::vector<std::string> kNoLog;
    const struct { DWORD topology; DWORD queryResult; const char *argument; std::vector<Indicator> shown;
                   std::vector<std::string> log; } cases[] = {
        { 1, 0, "/external", { { DISPLAY_EXTERNAL, 0 } }, { "display switch mode = 4" } },
        { 8, 0, "/clone", { { DISPLAY_DUAL, 0 } }, { "display switch mode = 5" } },
        { 2, 0, "/internal", { { DISPLAY_INTERNAL, 0 } }, { "display switch mode = 3" } },
        { 4, 0, "/internal", {}, kNoLog },
        { 16, 0, "/internal", {}, kNoLog },
        { 1, ERROR_INVALID_PARAMETER, "/internal", {}, kNoLog },
    };
    for (const auto &c : cases)
    {
        ev::SetSimDword(L"Topology", c.topology);
        ev::SetSimDword(L"QueryDisplayConfigResult", c.queryResult);
        std::vector<std::string> switched, log;
        std::vector<Indicator> shown;
        Step(&switched, &shown, &log);
        std::string what = "topology " + std::to_string(c.topology) + " result " + std::to_string(c.queryResult);
        EXPECT_EQ((std::vector<std::string>{ std::string("DisplaySwitch ") + c.argument }), switched) << what;
        EXPECT_EQ(c.shown, shown) << what;
        EXPECT_EQ(c.log, log) << what;
        // Sizes asked for every path, the arrays as large and zero-filled, the current database read.
        EXPECT_EQ(1u, ev::CallsStarting("GetDisplayConfigBufferSizes 1 -> 0").size()) << what;
        EXPECT_EQ(1u, ev::CallsStarting("QueryDisplayConfig 4 -> ").size()) << what;
    }
}

// Vista's User32 has no display-configuration functions (nor has Vista the
// tool): the maker's Screenflip.exe steps the display there, as on XP; without
// it the step goes back to the panel alone and shows nothing.
TEST_F(DisplaySwitch, MissingDisplayConfigurationUsesScreenflipElseSwitchesToInternal)
{
    LaunchWithSeams();
    ASSERT_TRUE(ev::StartSpy());
    const struct { std::wstring library; std::vector<std::string> log; size_t sizeCalls; } cases[] = {
        { L"gdi32.dll", {}, 0 },
        { tarn::SimDir() + L"\\DisplayConfigNoQuery.dll", {}, 1 },
        { tarn::SimDir() + L"\\NoSuchLibrary.dll", { "GetCurrentDisplaySwitchMode LoadLibrary User32.dll failed." }, 0 },
    };
    for (const auto &c : cases)
    {
        ev::SetSimString(L"SeamDisplayConfigLibrary", c.library);
        std::vector<std::string> switched, log;
        std::vector<Indicator> shown;
        Step(&switched, &shown, &log);
        std::string what = tarn::Narrow(c.library);
        EXPECT_EQ((std::vector<std::string>{ "DisplaySwitch /internal" }), switched) << what;
        EXPECT_EQ(std::vector<Indicator>(), shown) << what;
        EXPECT_EQ(c.log, log) << what;
        EXPECT_EQ(c.sizeCalls, ev::CallsStarting("GetDisplayConfigBufferSizes").size()) << what;
        EXPECT_EQ(0u, ev::CallsStarting("QueryDisplayConfig").size()) << what;
    }
    ASSERT_NO_FATAL_FAILURE(PrepareScreenflip(kInstall));
    ASSERT_EQ(0, ev::Orxctl(L"screenflip-exit 2"));
    for (const auto &c : cases)
    {
        ev::SetSimString(L"SeamDisplayConfigLibrary", c.library);
        std::vector<std::string> started;
        std::vector<Indicator> shown;
        ASSERT_NO_FATAL_FAILURE(Display::Step(&started, &shown));
        std::string what = "with Screenflip.exe, " + tarn::Narrow(c.library);
        EXPECT_EQ((std::vector<std::string>{ Started(kInstall), "Screenflip startup 257 0 no handles" }), started) << what;
        EXPECT_EQ((std::vector<Indicator>{ { DISPLAY_EXTERNAL, 0 } }), shown) << what;
        EXPECT_EQ(0u, ev::CallsStarting("DisplaySwitch").size()) << what;
    }
}

}  // namespace
