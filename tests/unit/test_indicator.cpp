// WndProc of "HookWnd": what each WM_INDICATOR stores, logs and signals.
#include <gtest/gtest.h>
#include "harness.h"
#include "Tarnwatch.h"
#include "tarnview.h"

namespace {

class IndicatorProtocol : public ::testing::Test
{
protected:
    HWND m_hWnd = NULL;

    void SetUp() override
    {
        tarn::PrepareLog();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"IndicatorProtocolTest";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, NULL, 0, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
        ASSERT_NE(nullptr, m_hWnd);
        if (!g_hShowEvent)
            g_hShowEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
        ResetEvent(g_hShowEvent);
        g_nPendingIndicator = 0;
        g_nIndicatorLevel = 0;
    }

    void TearDown() override { DestroyWindow(m_hWnd); }

    LRESULT Send(WPARAM code, LPARAM level) { return SendMessageW(m_hWnd, WM_INDICATOR, code, level); }
    bool Signalled() { return WaitForSingleObject(g_hShowEvent, 0) == WAIT_OBJECT_0; }
};

TEST_F(IndicatorProtocol, EveryCodeIsStoredAndSignalled)
{
    // code -> the line WndProc logs for it ("" for none)
    const char *lines[20] = { nullptr, "", "", "", "", "", "WndProc: VOLUME_MUTE", "WndProc: VOLUME_UP 6",
                              "WndProc: VOLUME_DOWN 6", "", "", "", "", "WndProc: CAPS_LOCK_ON",
                              "WndProc: CAPS_LOCK_OFF", "", "", "", "", "WndProc: set 19" };
    for (int code = 1; code <= 19; ++code)
    {
        tarn::PrepareLog();
        ResetEvent(g_hShowEvent);
        g_nIndicatorLevel = 4;
        Send(code, 6);
        EXPECT_EQ(code, g_nPendingIndicator) << "code " << code;
        EXPECT_TRUE(Signalled()) << "code " << code;
        bool bBar = code >= VOLUME_UP && code <= BRIGHTNESS_DOWN;
        EXPECT_EQ(bBar ? 6 : 4, g_nIndicatorLevel) << "code " << code;
        std::vector<std::string> expected, logged;
        if (*lines[code])
            expected.push_back(lines[code]);
        // Threads of the test process that start or end add theirs.
        for (const std::string &line : tarn::LogLines())
            if (line != "enter dllmain")
                logged.push_back(line);
        EXPECT_EQ(expected, logged) << "code " << code;
    }
}

TEST_F(IndicatorProtocol, OutOfRangeCodesChangeNothing)
{
    g_nPendingIndicator = 5;
    g_nIndicatorLevel = 3;
    for (WPARAM code : { (WPARAM)0, (WPARAM)20, (WPARAM)1000, (WPARAM)-1 })
    {
        LRESULT lr = Send(code, 7);
        EXPECT_EQ(DefWindowProcW(m_hWnd, WM_INDICATOR, code, 7), lr);
        EXPECT_EQ(5, g_nPendingIndicator);
        EXPECT_EQ(3, g_nIndicatorLevel);
        EXPECT_FALSE(Signalled());
    }
    EXPECT_TRUE(tarn::LogLines().empty());
}

TEST_F(IndicatorProtocol, LevelSurvivesNonBarCodes)
{
    Send(VOLUME_UP, 5);
    Send(CAPS_LOCK_ON, 0);
    Send(REQUEST_DENIED, 6);
    EXPECT_EQ(REQUEST_DENIED, g_nPendingIndicator);
    EXPECT_EQ(5, g_nIndicatorLevel);
    std::vector<std::string> expected = { "WndProc: VOLUME_UP 5", "WndProc: CAPS_LOCK_ON", "WndProc: set 19" };
    EXPECT_EQ(expected, tarn::LogLines());
}

// Any program may send the message: a level is kept within its bar.
TEST_F(IndicatorProtocol, NewerCodeOverwritesPendingAndLevelsStayInTheirBars)
{
    const struct { WPARAM code; LPARAM sent; LONG stored; } cases[] = {
        { BRIGHTNESS_DOWN, -2, 0 }, { BRIGHTNESS_UP, 8, 7 }, { BRIGHTNESS_UP, 7, 7 }, { VOLUME_UP, 15, 14 },
        { VOLUME_DOWN, 0x7FFFFFFF, 14 }, { VOLUME_UP, -1, 0 }, { VOLUME_DOWN, 14, 14 },
    };
    for (const auto &c : cases)
    {
        Send(WLAN_ON, 0);
        Send(c.code, c.sent);
        EXPECT_EQ((LONG)c.code, g_nPendingIndicator);
        EXPECT_EQ(c.stored, g_nIndicatorLevel) << c.code << " with " << c.sent;
    }
}

TEST_F(IndicatorProtocol, OtherMessagesGoToDefWindowProc)
{
    EXPECT_EQ(DefWindowProcW(m_hWnd, WM_USER + 1, 3, 4), SendMessageW(m_hWnd, WM_USER + 1, 3, 4));
    EXPECT_EQ(0, g_nPendingIndicator);
    EXPECT_FALSE(Signalled());
}

}  // namespace
