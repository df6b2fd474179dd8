// The brightness hot keys through orxctl into the real Tarnview: the level
// written, the indicator and its level, the log lines, for levels in and out
// of range and for refused and failed reads and writes.
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "Tarnwatch.h"

namespace {

using ev::Indicator;

class Brightness : public ev::EventTest
{
protected:
    void SetUp() override
    {
        ev::EventTest::SetUp();
        LaunchProduct();
    }
};

// The lines of Tarnview's log that the brightness keys write.
std::vector<std::string> BrightnessLogLines()
{
    std::vector<std::string> out;
    for (const std::string &line : tarn::LogLines())
        if (line.compare(0, 5, "Tarn:") == 0 || line.compare(0, 4, "ORX_") == 0)
            out.push_back(line);
    return out;
}

struct Case
{
    const char *name;
    DWORD event;
    long level;
    int getResult, setResult;
    std::vector<std::string> calls;
    std::vector<Indicator> shown;
    std::vector<std::string> log;
};

const std::string kDenied = "ORX_GetLcdBrightness return ORX_REQUEST_DENIED";

const Case kCases[] = {
    { "down at 0 stays 0", 2, 0, 0, 0, { "ORX_GetLcdBrightness -> 0 (0)", "ORX_SetLcdBrightness 0 -> 0" },
      { { BRIGHTNESS_DOWN, 0 } }, { "Tarn: send message 10" } },
    { "down at 6", 2, 6, 0, 0, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 5 -> 0" },
      { { BRIGHTNESS_DOWN, 5 } }, { "Tarn: send message 10" } },
    { "down at 7", 2, 7, 0, 0, { "ORX_GetLcdBrightness -> 0 (7)", "ORX_SetLcdBrightness 6 -> 0" },
      { { BRIGHTNESS_DOWN, 6 } }, { "Tarn: send message 10" } },
    { "down below range, taken as 0", 2, -2, 0, 0, { "ORX_GetLcdBrightness -> 0 (-2)", "ORX_SetLcdBrightness 0 -> 0" },
      { { BRIGHTNESS_DOWN, 0 } }, { "Tarn: send message 10" } },
    { "down above range, taken as 7", 2, 9, 0, 0, { "ORX_GetLcdBrightness -> 0 (9)", "ORX_SetLcdBrightness 6 -> 0" },
      { { BRIGHTNESS_DOWN, 6 } }, { "Tarn: send message 10" } },
    { "down, read denied", 2, 6, 2, 0, { "ORX_GetLcdBrightness -> 2" },
      { { REQUEST_DENIED, 0 } }, { kDenied, "Tarn: send message 19" } },
    { "down, read failed", 2, 6, 1, 0, { "ORX_GetLcdBrightness -> 1" }, {}, { "Tarn: send message -1" } },
    { "down, read failed 5", 2, 6, 5, 0, { "ORX_GetLcdBrightness -> 5" }, {}, { "Tarn: send message -1" } },
    { "down, write denied", 2, 6, 0, 2, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 5 -> 2" },
      { { REQUEST_DENIED, 5 } }, { "Tarn: send message 19" } },
    { "down, write failed", 2, 6, 0, 1, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 5 -> 1" },
      {}, { "Tarn: send message -1" } },
    { "up at 0", 3, 0, 0, 0, { "ORX_GetLcdBrightness -> 0 (0)", "ORX_SetLcdBrightness 1 -> 0" },
      { { BRIGHTNESS_UP, 1 } }, {} },
    { "up at 6", 3, 6, 0, 0, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 7 -> 0" },
      { { BRIGHTNESS_UP, 7 } }, {} },
    { "up at 7 stays 7", 3, 7, 0, 0, { "ORX_GetLcdBrightness -> 0 (7)", "ORX_SetLcdBrightness 7 -> 0" },
      { { BRIGHTNESS_UP, 7 } }, {} },
    { "up above range, taken as 7", 3, 0x7FFFFFFF, 0, 0,
      { "ORX_GetLcdBrightness -> 0 (2147483647)", "ORX_SetLcdBrightness 7 -> 0" }, { { BRIGHTNESS_UP, 7 } }, {} },
    { "up below range, taken as 0", 3, -1, 0, 0, { "ORX_GetLcdBrightness -> 0 (-1)", "ORX_SetLcdBrightness 1 -> 0" },
      { { BRIGHTNESS_UP, 1 } }, {} },
    { "up, write denied at 6", 3, 6, 0, 2, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 7 -> 2" },
      { { REQUEST_DENIED, 7 } }, {} },
    { "up, write failed", 3, 6, 0, 1, { "ORX_GetLcdBrightness -> 0 (6)", "ORX_SetLcdBrightness 7 -> 1" }, {}, {} },
    { "up, read denied", 3, 6, 2, 0, { "ORX_GetLcdBrightness -> 2" }, { { REQUEST_DENIED, 0 } }, {} },
    { "up, read failed", 3, 6, 1, 0, { "ORX_GetLcdBrightness -> 1" }, {}, {} },
};

TEST_F(Brightness, EachLevelAndResultMakesItsCallsIndicatorAndLog)
{
    ASSERT_TRUE(ev::StartSpy());
    for (const Case &c : kCases)
    {
        ASSERT_EQ(0, ev::Orxctl(L"set brightness " + std::to_wstring(c.level)));
        ASSERT_EQ(0, ev::Orxctl(L"result ORX_GetLcdBrightness " + std::to_wstring(c.getResult)));
        ASSERT_EQ(0, ev::Orxctl(L"result ORX_SetLcdBrightness " + std::to_wstring(c.setResult)));
        ev::ClearCalls();
        ev::ClearSpy();
        tarn::PrepareLog();
        ASSERT_TRUE(ev::Deliver(c.event)) << c.name;
        EXPECT_EQ(c.calls, ev::OrxCallsOfEvent(c.event)) << c.name;
        EXPECT_EQ(c.shown, ev::SpyIndicators()) << c.name;
        EXPECT_EQ(c.log, BrightnessLogLines()) << c.name;
    }
}

// The whole road to the screen: the bar shows the level the platform now has.
TEST_F(Brightness, StepsShowTheNewLevelAsBars)
{
    ASSERT_EQ(0, ev::Orxctl(L"set brightness 3"));
    ASSERT_TRUE(ev::Deliver(3));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_BAR, L"Bt_Bg.png", 4));
    ASSERT_TRUE(ev::Deliver(3));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_BAR, L"Bt_Bg.png", 5));
    ASSERT_EQ(0, ev::Orxctl(L"set brightness 1"));
    ASSERT_TRUE(ev::Deliver(2));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_BAR, L"Bt_Bg.png", 0));
    EXPECT_EQ(0u, ev::GetSimDword(L"Brightness", 99));
    ASSERT_EQ(0, ev::Orxctl(L"result ORX_GetLcdBrightness 2"));
    ASSERT_TRUE(ev::Deliver(2));
    EXPECT_TRUE(ev::WaitForOsdPicture(ev::OSD_ICON, L"NP.png"));
    EXPECT_TRUE(tarn::WaitForLogLine("WndProc: set 19", ev::kDeadlineMs));
}

}  // namespace
