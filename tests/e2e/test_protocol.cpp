// WM_INDICATOR sent from another process to the running Tarnview: log lines,
// "ShowEvent", and the codes that are ignored.
#include <gtest/gtest.h>
#include "harness.h"
#include "Tarnwatch.h"

namespace {

std::vector<std::string> WndProcLines()
{
    std::vector<std::string> out;
    for (const std::string &line : tarn::LogLines())
        if (line.compare(0, 8, "WndProc:") == 0)
            out.push_back(line);
    return out;
}

class Protocol : public tarn::TarnviewTest
{
protected:
    HANDLE m_hShowEvent = NULL;

    void SetUp() override
    {
        tarn::TarnviewTest::SetUp();
        Launch();
        m_hShowEvent = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, L"ShowEvent");
        ASSERT_NE(nullptr, m_hShowEvent);
    }

    void TearDown() override
    {
        if (m_hShowEvent)
            CloseHandle(m_hShowEvent);
        tarn::TarnviewTest::TearDown();
    }

    bool ShowEventSignalled() { return WaitForSingleObject(m_hShowEvent, 0) == WAIT_OBJECT_0; }
};

TEST_F(Protocol, CodesLogTheirLinesInOrder)
{
    const struct { WPARAM code; LPARAM level; } sends[] = {
        { WLAN_ON, 0 }, { VOLUME_MUTE, 0 }, { VOLUME_UP, 5 }, { CAPS_LOCK_ON, 0 }, { VOLUME_DOWN, 3 },
        { BRIGHTNESS_UP, 6 }, { CAPS_LOCK_OFF, 0 }, { REQUEST_DENIED, 4 }, { NUM_LOCK_ON, 0 }, { SCROLL_LOCK_OFF, 0 },
        { VOLUME_UP, 0 }, { VOLUME_DOWN, 14 }, { DISPLAY_DUAL, 0 }, { MOBILE3G_OFF, 0 },
    };
    for (const auto &s : sends)
        tarn::SendIndicator(s.code, s.level);
    std::vector<std::string> expected = {
        "WndProc: VOLUME_MUTE", "WndProc: VOLUME_UP 5", "WndProc: CAPS_LOCK_ON", "WndProc: VOLUME_DOWN 3",
        "WndProc: CAPS_LOCK_OFF", "WndProc: set 19", "WndProc: VOLUME_UP 0", "WndProc: VOLUME_DOWN 14",
    };
    EXPECT_EQ(expected, WndProcLines());
}

BOOL CALLBACK FindVisibleOsd(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[32];
    if (IsWindowVisible(hWnd) && GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"ShowWnd") == 0)
        *(bool *)lParam = true;
    return TRUE;
}

bool AnyOsdVisible()
{
    bool bVisible = false;
    EnumWindows(FindVisibleOsd, (LPARAM)&bVisible);
    return bVisible;
}

// "ShowEvent" wakes the display thread, which resets it once the OSD is up.
TEST_F(Protocol, ValidCodeWakesTheDisplayThread)
{
    ASSERT_TRUE(tarn::WaitUntil([] { return !AnyOsdVisible(); }, 15000));
    tarn::SendIndicator(WLAN_OFF, 0);
    EXPECT_TRUE(tarn::WaitUntil(AnyOsdVisible, 15000));
    EXPECT_TRUE(tarn::WaitUntil([&] { return !ShowEventSignalled(); }, 15000));
}

TEST_F(Protocol, OutOfRangeCodesAreIgnored)
{
    size_t cBefore = WndProcLines().size();
    for (WPARAM code : { (WPARAM)0, (WPARAM)20, (WPARAM)2000, (WPARAM)-1 })
        tarn::SendIndicator(code, 7);
    tarn::SendIndicator(VOLUME_UP, 2);  // a marker that the ignored ones were handled first
    std::vector<std::string> lines = WndProcLines();
    ASSERT_EQ(cBefore + 1, lines.size()) << "only the marker is logged";
    EXPECT_EQ("WndProc: VOLUME_UP 2", lines.back());
}

TEST_F(Protocol, IgnoredCodeLeavesShowEventAlone)
{
    ASSERT_TRUE(tarn::WaitUntil([] { return !AnyOsdVisible(); }, 15000));
    tarn::SendIndicator(0, 0);
    tarn::SendIndicator(20, 0);
    EXPECT_FALSE(ShowEventSignalled());
    EXPECT_FALSE(tarn::WaitUntil(AnyOsdVisible, 1000));
}

}  // namespace
