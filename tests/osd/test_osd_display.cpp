// WM_DISPLAYCHANGE at the OSD windows: each logs the orientation the display
// reports. (The virtual display has a single mode, so the change is announced
// to the windows rather than made.)
#include <gtest/gtest.h>
#include <vector>
#include "harness.h"
#include "Tarnwatch.h"

namespace {

BOOL CALLBACK CollectShowWnd(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[32];
    if (GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"ShowWnd") == 0)
        ((std::vector<HWND> *)lParam)->push_back(hWnd);
    return TRUE;
}

class OsdDisplayChange : public tarn::TarnviewTest {};

TEST_F(OsdDisplayChange, EachOsdWindowLogsTheOrientation)
{
    Launch();
    std::vector<HWND> windows;
    EnumWindows(CollectShowWnd, (LPARAM)&windows);
    ASSERT_EQ(3u, windows.size());
    EXPECT_EQ(0, tarn::CountLines("display orientation is:0"));
    for (HWND hWnd : windows)
        SendMessageW(hWnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(3, tarn::CountLines("display orientation is:0"));
    // The "HookWnd" window does not track the display.
    SendMessageW(tarn::FindHookWnd(), WM_DISPLAYCHANGE, 32, 0);
    EXPECT_EQ(3, tarn::CountLines("display orientation is:0"));
}

}  // namespace
