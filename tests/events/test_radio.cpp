// The radio hot keys (Wi-Fi, 3G) through orxctl into the real Tarnview: the
// platform calls made and the indicator sent, for each status and result; codes
// that mean nothing; two events at once handled one after the other.
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "Tarnwatch.h"

namespace {

using ev::Indicator;

class Radio : public ev::EventTest
{
protected:
    void SetUp() override
    {
        ev::EventTest::SetUp();
        LaunchProduct();
    }
};

struct RadioKind
{
    DWORD event;
    const wchar_t *word;     // orxctl set <word>
    std::string get, set;    // the operations
    int onCode, offCode;
};

const RadioKind kWifi = { 0, L"wifi", "ORX_GetWiFiPowerStatus", "ORX_SetWiFiPowerStatus", WLAN_ON, WLAN_OFF };
const RadioKind k3G = { 6, L"3g", "ORX_Get3GPowerStatus", "ORX_Set3GPowerStatus", MOBILE3G_ON, MOBILE3G_OFF };

std::wstring Wide(const std::string &s)
{
    return std::wstring(s.begin(), s.end());
}

TEST_F(Radio, EachStatusAndResultMakesItsCallsAndIndicator)
{
    // code -1 / -2 in the table: the radio's on / off code
    const int ON = -1, OFF = -2;
    const struct {
        const char *name; long status; int getResult, setResult;
        const char *calls[2]; std::vector<Indicator> shown;
    } cases[] = {
        { "off switches on", 0, 0, 0, { "%get -> 0 (0)", "%set 1 -> 0" }, { { (WPARAM)ON, 0 } } },
        { "on switches off", 1, 0, 0, { "%get -> 0 (1)", "%set 0 -> 0" }, { { (WPARAM)OFF, 0 } } },
        { "status 2 cannot toggle", 2, 0, 0, { "%get -> 0 (2)", nullptr }, {} },
        { "status -1 cannot toggle", -1, 0, 0, { "%get -> 0 (-1)", nullptr }, {} },
        { "read denied", 0, 2, 0, { "%get -> 2", nullptr }, { { REQUEST_DENIED, 0 } } },
        { "read failed", 0, 1, 0, { "%get -> 1", nullptr }, {} },
        { "write denied", 0, 0, 2, { "%get -> 0 (0)", "%set 1 -> 2" }, { { REQUEST_DENIED, 0 } } },
        { "write failed", 1, 0, 1, { "%get -> 0 (1)", "%set 0 -> 1" }, {} },
    };
    ASSERT_TRUE(ev::StartSpy());
    for (const RadioKind &radio : { kWifi, k3G })
    {
        for (const auto &c : cases)
        {
            std::string what = std::string(c.name) + " (event " + std::to_string(radio.event) + ")";
            ASSERT_EQ(0, ev::Orxctl(L"set " + std::wstring(radio.word) + L" " + std::to_wstring(c.status)));
            ASSERT_EQ(0, ev::Orxctl(L"result " + Wide(radio.get) + L" " + std::to_wstring(c.getResult)));
            ASSERT_EQ(0, ev::Orxctl(L"result " + Wide(radio.set) + L" " + std::to_wstring(c.setResult)));
            ev::ClearCalls();
            ev::ClearSpy();
            ASSERT_TRUE(ev::Deliver(radio.event)) << what;
            std::vector<std::string> expected;
            for (const char *call : c.calls)
            {
                if (!call)
                    continue;
                std::string line = call;
                line.replace(0, 4, line.compare(0, 4, "%get") == 0 ? radio.get : radio.set);
                expected.push_back(line);
            }
            EXPECT_EQ(expected, ev::OrxCallsOfEvent(radio.event)) << what;
            std::vector<Indicator> shown = c.shown;
            for (Indicator &i : shown)
                i.code = i.code == (WPARAM)ON ? radio.onCode : i.code == (WPARAM)OFF ? radio.offCode : i.code;
            EXPECT_EQ(shown, ev::SpyIndicators()) << what;
            EXPECT_EQ(1, ev::CountCalls("Event " + std::to_string(radio.event) + " returned 1")) << what;
        }
    }
}

// The whole road to the screen, and the state the platform keeps.
TEST_F(Radio, ToggleShowsItsPictureAndDenialShowsNotPermitted)
{
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 0"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_ICON, L"Wl_On.png"));
    EXPECT_EQ(1u, ev::GetSimDword(L"WiFiStatus", 99));
    ASSERT_TRUE(ev::Deliver(6));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_ICON, L"3G_On.png"));
    ASSERT_TRUE(ev::Deliver(6));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_ICON, L"3G_Off.png"));
    EXPECT_EQ(0u, ev::GetSimDword(L"3GStatus", 99));
    ASSERT_EQ(0, ev::Orxctl(L"result ORX_SetWiFiPowerStatus 2"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_ICON, L"NP.png"));
    EXPECT_TRUE(tarn::WaitForLogLine("WndProc: set 19", ev::kDeadlineMs));
    EXPECT_EQ(1u, ev::GetSimDword(L"WiFiStatus", 99)) << "a refused write changes nothing";
}

TEST_F(Radio, CodesAboveElevenDoNothing)
{
    ASSERT_TRUE(ev::StartSpy());
    for (DWORD code : { 12u, 13u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu })
    {
        ev::ClearCalls();
        tarn::PrepareLog();
        ASSERT_TRUE(ev::Deliver(code)) << code;
        EXPECT_EQ((std::vector<std::string>{ "Event " + std::to_string(code) + " delivered",
                                             "Event " + std::to_string(code) + " returned 1" }),
                  ev::CallLines()) << code;
        EXPECT_TRUE(ev::SpyIndicators().empty()) << code;
        for (const std::string &line : tarn::LogLines())
            EXPECT_EQ("enter dllmain", line) << code;   // only the delivering thread's start and end
    }
    // And the dispatcher is free for the next event.
    ASSERT_EQ(0, ev::Orxctl(L"set wifi 1"));
    ASSERT_TRUE(ev::Deliver(0));
    EXPECT_EQ((std::vector<Indicator>{ { WLAN_OFF, 0 } }), ev::SpyIndicators());
}

// Both threads read and write the level; only one at a time may, or both read 3.
TEST_F(Radio, TwoEventsAtOnceAreHandledOneAfterTheOther)
{
    ASSERT_TRUE(ev::StartSpy());
    for (int round = 0; round < 3; ++round)
    {
        ASSERT_EQ(0, ev::Orxctl(L"set brightness 3"));
        ev::ClearCalls();
        ev::ClearSpy();
        ASSERT_TRUE(ev::Deliver(3, 2));
        EXPECT_EQ((std::vector<Indicator>{ { BRIGHTNESS_UP, 4 }, { BRIGHTNESS_UP, 5 } }), ev::SpyIndicators());
        EXPECT_EQ((std::vector<std::string>{ "ORX_GetLcdBrightness -> 0 (3)", "ORX_SetLcdBrightness 4 -> 0",
                                             "ORX_GetLcdBrightness -> 0 (4)", "ORX_SetLcdBrightness 5 -> 0" }),
                  ev::CallsStarting("ORX_"));
        EXPECT_EQ(5u, ev::GetSimDword(L"Brightness", 0));
    }
}

}  // namespace
