// The hardware-event service of the real Tarnview: initialisation retried every
// 10 s until the platform is ready, and a fresh start after each abort, even
// one that comes while an event is being handled.
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "Tarnwatch.h"

namespace {

using ev::Indicator;

class Service : public ev::EventTest {};

// Watches the call log and notes when each line was first seen.
struct Seen
{
    std::vector<std::string> lines;
    std::vector<DWORD> ticks;

    void Poll()
    {
        std::vector<std::string> now = ev::CallLines();
        for (size_t i = lines.size(); i < now.size(); ++i)
        {
            lines.push_back(now[i]);
            ticks.push_back(GetTickCount());
        }
    }
    int Find(const std::string &line, int from = 0) const
    {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == line)
                return (int)i;
        return -1;
    }
};

TEST_F(Service, InitialiseFailingThreeTimesRegistersAboutThirtySecondsLater)
{
    ASSERT_EQ(0, ev::Orxctl(L"init-fail 3"));
    m_hProcess = tarn::StartProgram(tarn::BinDir() + L"\\Tarnview.exe", L"", tarn::TestsDir());
    ASSERT_NE(nullptr, m_hProcess);
    Seen seen;
    ASSERT_TRUE(tarn::WaitUntil([&] {
        seen.Poll();
        return seen.Find("ORX_SetAbortHandler -> 0") >= 0;
    }, 120000)) << "never registered";
    const std::vector<std::string> expected = {
        "ORX_Initialize -> 1", "ORX_Initialize -> 1", "ORX_Initialize -> 1", "ORX_Initialize -> 0",
        "ORX_RegisterVKbdCallback -> 0", "ORX_SetAbortHandler -> 0",
    };
    ASSERT_EQ(expected, seen.lines);
    // Lines are seen at most one poll late, so the gaps can only look shorter.
    for (int i = 1; i < 4; ++i)
        EXPECT_GE(seen.ticks[i] - seen.ticks[i - 1], 9500u) << "attempt " << i + 1 << " came too soon";
    EXPECT_GE(seen.ticks[4] - seen.ticks[0], 29500u);
    ASSERT_TRUE(tarn::WaitForStartup(m_hProcess, kStartupMs));
    ASSERT_TRUE(ev::StartSpy());
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 0"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_EQ((std::vector<Indicator>{ { WLAN_ON, 0 } }), ev::SpyIndicators());
}

// Without the platform package Tarnview starts all the same, with no loader
// error: the hook and the OSD work, and the buttons come to life once the
// libraries are put beside it, within the retry period.
TEST_F(Service, StartsWithoutThePlatformLibrariesAndTakesThemWhenTheyCome)
{
    const std::wstring dir = L"C:\\tarn-no-platform";
    ev::RemoveTree(dir);
    ASSERT_TRUE(ev::MakeFolders(dir));
    for (const wchar_t *name : { L"\\Tarnview.exe", L"\\Tarnwatch.dll" })
        ASSERT_TRUE(ev::CopyStandIn(tarn::BinDir() + name, dir + name));
    m_hProcess = tarn::StartProgram(dir + L"\\Tarnview.exe", L"", tarn::TestsDir());
    ASSERT_TRUE(tarn::WaitForStartup(m_hProcess, kStartupMs)) << "no start without the libraries";
    const std::string missing = "Tarnview: platform package not found, the hardware buttons wait for it";
    EXPECT_TRUE(tarn::WaitForLogLine(missing, ev::kDeadlineMs));
    // Twice, so the toggle state ends as it was. Which of on and off each press shows
    // is the hook suite's concern (it watches the toggle bit from a window of its
    // own): under Wine the bit read in the hook has been seen to lag after a long
    // run of other programs in the prefix, so here each press only has to be
    // reported and shown.
    for (int i = 0; i < 2; ++i)
    {
        keybd_event(VK_CAPITAL, 0x3a, 0, 0);
        keybd_event(VK_CAPITAL, 0x3a, KEYEVENTF_KEYUP, 0);
    }
    EXPECT_TRUE(tarn::WaitUntil([] {
        return tarn::CountLines("WndProc: CAPS_LOCK_ON") + tarn::CountLines("WndProc: CAPS_LOCK_OFF") == 2
               && tarn::ReadLog().find("ShowIndicatorProc: CAPS_LOCK_") != std::string::npos;
    }, ev::kDeadlineMs)) << "the lock keys show nothing";
    EXPECT_TRUE(ev::CallsStarting("ORX_").empty());
    for (const wchar_t *name : { L"\\OrxCore.dll", L"\\OrxVKbd.dll", L"\\OrxPM.dll" })
        ASSERT_TRUE(ev::CopyStandIn(tarn::BinDir() + name, dir + name));
    ASSERT_EQ(0, ev::Orxctl(L"wait-registered 60000")) << "the libraries were not taken up";
    ASSERT_TRUE(ev::StartSpy());
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 0"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_EQ((std::vector<Indicator>{ { WLAN_ON, 0 } }), ev::SpyIndicators());
    EXPECT_EQ(1, tarn::CountLines(missing)) << "said once, not at every retry";
}

TEST_F(Service, AbortReinitialisesAndEventsWorkAgain)
{
    LaunchProduct();
    ASSERT_TRUE(ev::StartSpy());
    for (int round = 0; round < 2; ++round)
    {
        ev::ClearCalls();
        ev::ClearSpy();
        ASSERT_EQ(0, ev::Orxctl(L"abort --wait"));
        ASSERT_TRUE(ev::WaitForCall("ORX_SetAbortHandler -> 0", ev::kDeadlineMs)) << "round " << round;
        EXPECT_EQ((std::vector<std::string>{ "ORX_Uninitialize -> 0", "ORX_Initialize -> 0",
                                             "ORX_RegisterVKbdCallback -> 0", "ORX_SetAbortHandler -> 0" }),
                  ev::CallsStarting("ORX_")) << "round " << round;
        EXPECT_EQ(1, ev::CountCalls("Abort returned 1")) << "the handler reports that it signalled";
        ASSERT_EQ(0, ev::Orxctl(L"wait-registered 60000"));
        ASSERT_EQ(0, ev::Orxctl(L"set 3g " + std::to_wstring(round)));
        ASSERT_TRUE(ev::Deliver(6)) << "round " << round;
        EXPECT_EQ((std::vector<Indicator>{ { (WPARAM)(round ? MOBILE3G_OFF : MOBILE3G_ON), 0 } }), ev::SpyIndicators());
    }
}

// The display key waits for Screenflip.exe, here six seconds; the service does not wait for it.
TEST_F(Service, AbortDuringAnEventUninitialisesWithoutWaitingForIt)
{
    LaunchProduct();
    const std::wstring folder = L"C:\\Tarn Busy";
    ASSERT_TRUE(ev::MakeFolders(folder));
    ASSERT_TRUE(ev::CopyStandIn(tarn::SimDir() + L"\\Screenflip.exe", folder + L"\\Screenflip.exe"));
    tarn::SetInstallPath(folder);
    ev::SetSimDword(L"ScreenflipDelayMs", 6000);
    ev::ClearCalls();
    ASSERT_EQ(0, ev::Orxctl(L"event 1"));
    ASSERT_TRUE(tarn::WaitUntil([] { return !ev::CallsStarting("Screenflip startup").empty(); }, ev::kDeadlineMs));
    ASSERT_EQ(0, ev::Orxctl(L"abort"));
    ASSERT_TRUE(ev::WaitForCall("ORX_Uninitialize -> 0", ev::kDeadlineMs));
    EXPECT_EQ(0u, ev::CallsStarting("Event 1 returned").size()) << "the abort waited for the event";
    ASSERT_TRUE(ev::WaitForCall("Event 1 returned 1", ev::kDeadlineMs));
    ASSERT_TRUE(ev::WaitForCall("ORX_SetAbortHandler -> 0", ev::kDeadlineMs));
    ev::DeleteSimValue(L"ScreenflipDelayMs");
    ev::RemoveTree(folder);
}

}  // namespace
