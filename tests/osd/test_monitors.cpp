// The indicator on two monitors and with the user's settings, through the real
// Tarnview on an X server with two outputs (1280x800 primary, 1024x768 to its
// right) and a compositing manager: which monitor, a monitor that goes away,
// the place, size, opacity and time, the indicators turned off, full-screen
// programs, the policy, and values that are no use.
#include <gtest/gtest.h>
#include "harness.h"
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace {

const wchar_t kSettingsKey[] = L"SOFTWARE\\Halvern\\Tarn\\Indicator";
const wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Halvern\\Tarn\\Indicator";
const DWORD kShowMs = 15000;

struct Monitor
{
    RECT rc;
    std::wstring device, id;
};

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam)
{
    MONITORINFOEXW mi = {};
    mi.cbSize = sizeof(mi);
    DISPLAY_DEVICEW dd = {};
    dd.cb = sizeof(dd);
    if (GetMonitorInfoW(hMonitor, (MONITORINFO *)&mi) && EnumDisplayDevicesW(mi.szDevice, 0, &dd, 0))
        ((std::vector<Monitor> *)lParam)->push_back({ mi.rcMonitor, mi.szDevice, dd.DeviceID });
    return TRUE;
}

// Left to right.
std::vector<Monitor> Monitors()
{
    std::vector<Monitor> list;
    EnumDisplayMonitors(NULL, NULL, AddMonitor, (LPARAM)&list);
    std::sort(list.begin(), list.end(), [](const Monitor &a, const Monitor &b) { return a.rc.left < b.rc.left; });
    return list;
}

bool Inside(const RECT &inner, const RECT &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// The second output detached and attached again, as the display key or an
// unplugged cable does; Windows (and Wine) tell every window.
bool SetSecondMonitor(const std::wstring &device, bool bAttached)
{
    DEVMODEW dm = {};
    dm.dmSize = sizeof(dm);
    dm.dmFields = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (bAttached)
    {
        dm.dmPosition.x = 1280;
        dm.dmPelsWidth = 1024;
        dm.dmPelsHeight = 768;
    }
    return ChangeDisplaySettingsExW(device.c_str(), &dm, NULL, CDS_UPDATEREGISTRY | CDS_NORESET, NULL)
               == DISP_CHANGE_SUCCESSFUL
           && ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL) == DISP_CHANGE_SUCCESSFUL
           && tarn::WaitUntil([&] { return Monitors().size() == (bAttached ? 2u : 1u); }, 10000);
}

// A window of the test that holds the foreground, as the user's program would.
class FrontWindow
{
public:
    bool Open(const RECT &rc)
    {
        m_rc = rc;
        m_hThread = CreateThread(NULL, 0, Proc, this, 0, &m_dwThread);
        return m_hThread && tarn::WaitUntil([&] { return m_hWnd != NULL; }, 10000) && MoveTo(rc);
    }
    bool MoveTo(const RECT &rc)
    {
        SetWindowPos(m_hWnd, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
        SetForegroundWindow(m_hWnd);
        return tarn::WaitUntil([&] { return GetForegroundWindow() == m_hWnd; }, 10000);
    }
    void Close()
    {
        tarn::StopWindowThread(&m_hThread, m_dwThread);
        m_hWnd = NULL;
    }

private:
    static DWORD WINAPI Proc(LPVOID pParam)
    {
        FrontWindow *p = (FrontWindow *)pParam;
        HWND hWnd = CreateWindowExW(0, L"STATIC", L"front", WS_POPUP | WS_VISIBLE, p->m_rc.left, p->m_rc.top,
                                    p->m_rc.right - p->m_rc.left, p->m_rc.bottom - p->m_rc.top, NULL, NULL, NULL, NULL);
        p->m_hWnd = hWnd;
        MSG msg;
        while (GetMessageW(&msg, NULL, 0, 0) > 0)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
        return 0;
    }
    RECT m_rc = {};
    HANDLE m_hThread = NULL;
    DWORD m_dwThread = 0;
    volatile HWND m_hWnd = NULL;
};

void SetDword(HKEY hRoot, const wchar_t *pszKey, const wchar_t *pszName, DWORD dwValue)
{
    HKEY hKey;
    if (RegCreateKeyExW(hRoot, pszKey, 0, NULL, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, NULL, &hKey, NULL) == ERROR_SUCCESS)
    {
        RegSetValueExW(hKey, pszName, 0, REG_DWORD, (const BYTE *)&dwValue, sizeof(dwValue));
        RegCloseKey(hKey);
    }
}

void SetText(HKEY hRoot, const wchar_t *pszKey, const wchar_t *pszName, const std::wstring &text)
{
    HKEY hKey;
    if (RegCreateKeyExW(hRoot, pszKey, 0, NULL, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, NULL, &hKey, NULL) == ERROR_SUCCESS)
    {
        RegSetValueExW(hKey, pszName, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)((text.size() + 1) * 2));
        RegCloseKey(hKey);
    }
}

class Monitors : public tarn::TarnviewTest
{
protected:
    std::vector<Monitor> m_monitors;
    FrontWindow m_front;

    void SetUp() override
    {
        tarn::TarnviewTest::SetUp();
        m_monitors = ::Monitors();
        ASSERT_EQ(2u, m_monitors.size()) << "the suite runs on an X server with two outputs";
        ASSERT_TRUE(m_front.Open(Inner(0)));
        Launch();
    }
    void TearDown() override
    {
        m_front.Close();
        tarn::TarnviewTest::TearDown();
        tarn::ClearIndicatorSettings();
        if (::Monitors().size() < 2)
            SetSecondMonitor(m_monitors[1].device, true);
    }
    // A window inside monitor n, away from where the indicator goes.
    RECT Inner(size_t n) const
    {
        const RECT &rc = m_monitors[n].rc;
        return { rc.left + 100, rc.top + 100, rc.left + 400, rc.top + 300 };
    }
    // The one OSD window shown, and its rectangle.
    static RECT Shown(int code, LPARAM level = 0)
    {
        EXPECT_TRUE(osd::WaitForNoOsd(kShowMs));
        tarn::SendIndicator(code, level);
        HWND hWnd = osd::WaitForVisibleOsd(kShowMs);
        RECT rc = {};
        EXPECT_NE(nullptr, hWnd) << "code " << code;
        if (hWnd)
            GetWindowRect(hWnd, &rc);
        return rc;
    }
    // Today's place of the icon window on a monitor: 66 from the right, 100 from the bottom.
    static RECT IconPlace(const RECT &mon) { return { mon.right - 66, mon.bottom - 100, mon.right - 11, mon.bottom - 45 }; }
};

// The monitor in use is the foreground window's, and the indicator follows it.
TEST_F(Monitors, TheIndicatorAppearsOnTheMonitorInUseAndFollowsIt)
{
    const osd::Pixels caps = osd::LoadPicture(L"Caps_On.png");
    for (size_t n : { 1u, 0u })
    {
        ASSERT_TRUE(m_front.MoveTo(Inner(n)));
        RECT rc = Shown(CAPS_LOCK_ON), want = IconPlace(m_monitors[n].rc);
        EXPECT_TRUE(EqualRect(&want, &rc)) << "monitor " << n << ": " << rc.left << "," << rc.top;
        EXPECT_TRUE(tarn::WaitUntil([&] {
            return osd::CountMismatches(osd::Capture(want), caps, osd::Bars(), { 2, 2, 52, 52 }, 6) == 0;
        }, kShowMs)) << "the picture on monitor " << n;
    }
}

// The primary monitor whatever has the foreground; the pointer's monitor.
TEST_F(Monitors, PrimaryAndPointerChoices)
{
    ASSERT_TRUE(m_front.MoveTo(Inner(1)));
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Monitor", 1);
    RECT rc = Shown(NUM_LOCK_ON), want = IconPlace(m_monitors[0].rc);
    EXPECT_TRUE(EqualRect(&want, &rc)) << "primary: " << rc.left;
    ASSERT_TRUE(m_front.MoveTo(Inner(0)));
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Monitor", 2);
    ASSERT_TRUE(SetCursorPos(m_monitors[1].rc.left + 500, 300));
    rc = Shown(NUM_LOCK_OFF);
    want = IconPlace(m_monitors[1].rc);
    EXPECT_TRUE(EqualRect(&want, &rc)) << "pointer: " << rc.left;
}

// A chosen monitor by its identifier; detached while the indicator shows there,
// the indicator moves wholly onto the other one, and so does the next one.
TEST_F(Monitors, AChosenMonitorThatGoesAwayLeavesTheIndicatorOnTheOther)
{
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Monitor", 3);
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"MonitorId", m_monitors[1].id);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Seconds", 10);
    RECT rc = Shown(VOLUME_UP, 7);
    EXPECT_TRUE(Inside(rc, m_monitors[1].rc)) << "chosen: " << rc.left;
    ASSERT_TRUE(SetSecondMonitor(m_monitors[1].device, false));
    EXPECT_TRUE(tarn::WaitUntil([&] {
        std::vector<HWND> shown = osd::VisibleOsdWindows();
        return shown.size() == 1 && GetWindowRect(shown[0], &rc) && Inside(rc, m_monitors[0].rc);
    }, kShowMs)) << "left at " << rc.left;
    rc = Shown(CAPS_LOCK_OFF);
    RECT want = IconPlace(m_monitors[0].rc);
    EXPECT_TRUE(EqualRect(&want, &rc)) << "the monitor in use, while the chosen one is away: " << rc.left;
    ASSERT_TRUE(SetSecondMonitor(m_monitors[1].device, true));
    rc = Shown(CAPS_LOCK_ON);
    EXPECT_TRUE(Inside(rc, ::Monitors()[1].rc)) << "back on the chosen one: " << rc.left;
}

// Every place on monitor 1: the icon and the bar at today's distances from the
// edges; then the size (every part twice as large) and the opacity (the
// desktop shows through) on screen; a policy wins over the user's value.
TEST_F(Monitors, PlaceSizeAndOpacityAsSetAndThePolicyWins)
{
    const RECT &m = m_monitors[0].rc;
    const int W = m.right, H = m.bottom, cx = W / 2;
    const struct { DWORD place; RECT icon, bar; } places[] = {
        { 0, { W - 66, H - 100, W - 11, H - 45 }, { cx - 124, H - 106, cx + 130, H - 42 } },
        { 1, { cx - 27, 45, cx + 28, 100 }, { cx - 124, 42, cx + 130, 106 } },
        { 2, { cx - 27, H / 2 - 27, cx + 28, H / 2 + 28 }, { cx - 124, H / 2 - 32, cx + 130, H / 2 + 32 } },
        { 3, { 11, 45, 66, 100 }, { 11, 42, 265, 106 } },
        { 4, { W - 66, 45, W - 11, 100 }, { W - 265, 42, W - 11, 106 } },
        { 5, { 11, H - 100, 66, H - 45 }, { 11, H - 106, 265, H - 42 } },
        { 6, { W - 66, H - 100, W - 11, H - 45 }, { W - 265, H - 106, W - 11, H - 42 } },
    };
    for (const auto &p : places)
    {
        SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Place", p.place);
        RECT icon = Shown(SCROLL_LOCK_ON), bar = Shown(VOLUME_DOWN, 3);
        EXPECT_TRUE(EqualRect(&p.icon, &icon)) << "place " << p.place << ": " << icon.left << "," << icon.top;
        EXPECT_TRUE(EqualRect(&p.bar, &bar)) << "place " << p.place << ": " << bar.left << "," << bar.top;
    }
    // Twice as large: the window, its distances, its corners, and the picture
    // drawn from its rendering at twice the size, pixel for pixel.
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Place", 3);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Size", 200);
    const osd::Pixels wifi = osd::LoadPicture(L"Wl_On.png"), wifi2 = osd::LoadPicture(L"2x\\Wl_On.png");
    RECT rc = Shown(WLAN_ON), doubled = { 22, 90, 132, 200 };
    EXPECT_TRUE(EqualRect(&doubled, &rc)) << rc.left << "," << rc.top << " " << rc.right - rc.left;
    EXPECT_TRUE(tarn::WaitUntil([&] {
        return osd::CountMismatches(osd::Capture(doubled), wifi2, osd::Bars(), { 4, 4, 104, 104 }, 12) == 0;
    }, kShowMs)) << "the double picture";
    const osd::Pixels bar2 = osd::LoadPicture(L"2x\\Vol.png");
    rc = Shown(VOLUME_UP, 9);
    EXPECT_EQ(9, osd::CountBarsShown(osd::Capture(rc), bar2, 82, 28, 24, 14)) << "the bars, twice as far apart";
    // At 40 % the screen is 40 % picture, 60 % what lies beneath.
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Size", 100);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Opacity", 40);
    RECT place = { 11, 45, 66, 100 };
    ASSERT_TRUE(osd::WaitForNoOsd(kShowMs));
    osd::Pixels beneath = osd::Capture(place);
    rc = Shown(WLAN_ON);
    ASSERT_TRUE(EqualRect(&place, &rc));
    BYTE alpha = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(osd::VisibleOsdWindows()[0], NULL, &alpha, NULL));
    EXPECT_EQ(102, alpha);
    EXPECT_TRUE(tarn::WaitUntil([&] {
        osd::Pixels seen = osd::Capture(place);
        for (int y = 10; y < 45; y += 5)
            for (int x = 10; x < 45; x += 5)
            {
                DWORD p = wifi.At(x, y), b = beneath.At(x, y), expect = 0;
                for (int shift = 0; shift < 24; shift += 8)
                    expect |= (DWORD)((((p >> shift) & 0xFF) * 102 + ((b >> shift) & 0xFF) * 153) / 255) << shift;
                if (!osd::Near(seen.At(x, y), expect, 12))
                    return false;
            }
        return true;
    }, kShowMs)) << "blended with what lies beneath";
    // The machine's policy over the user's value.
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Opacity", 100);
    SetDword(HKEY_LOCAL_MACHINE, kPolicyKey, L"Place", 4);
    rc = Shown(WLAN_OFF);
    RECT topRight = { W - 66, 45, W - 11, 100 };
    EXPECT_TRUE(EqualRect(&topRight, &rc)) << "the policy's place: " << rc.left;
}

// The time after the last code; an indicator turned off is never shown, though
// its code arrives; none over a full-screen program when so set.
TEST_F(Monitors, TimeIndicatorsTurnedOffAndFullScreenPrograms)
{
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Seconds", 1);
    Shown(CAPS_LOCK_ON);
    DWORD dwStart = GetTickCount();
    EXPECT_TRUE(osd::WaitForNoOsd(kShowMs));
    EXPECT_LT(GetTickCount() - dwStart, 2500u) << "1 s";
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Seconds", 10);
    Shown(CAPS_LOCK_OFF);
    Sleep(6000);
    EXPECT_EQ(1u, osd::VisibleOsdWindows().size()) << "10 s";
    const struct { const wchar_t *group; int code; const char *logged; } groups[] = {
        { L"LockKeys", CAPS_LOCK_ON, "WndProc: CAPS_LOCK_ON" }, { L"Volume", VOLUME_UP, "WndProc: VOLUME_UP 4" },
        { L"Brightness", BRIGHTNESS_UP, nullptr }, { L"Radios", MOBILE3G_ON, nullptr },
        { L"DisplayMode", DISPLAY_DUAL, nullptr }, { L"Refused", REQUEST_DENIED, "WndProc: set 19" },
    };
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Seconds", 3);
    for (const auto &g : groups)
    {
        ASSERT_TRUE(osd::WaitForNoOsd(kShowMs));
        SetDword(HKEY_CURRENT_USER, kSettingsKey, g.group, 0);
        tarn::PrepareLog();
        tarn::SendIndicator(g.code, 4);
        EXPECT_FALSE(tarn::WaitUntil([] { return !osd::VisibleOsdWindows().empty(); }, 2000)) << tarn::Narrow(g.group);
        if (g.logged)
        {
            EXPECT_TRUE(tarn::LogHasLine(g.logged)) << tarn::Narrow(g.group);
        }
        SetDword(HKEY_CURRENT_USER, kSettingsKey, g.group, 1);
    }
    // The foreground window covers its whole monitor.
    ASSERT_TRUE(m_front.MoveTo(m_monitors[1].rc));
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"OverFullScreen", 0);
    tarn::SendIndicator(NUM_LOCK_ON, 0);
    EXPECT_FALSE(tarn::WaitUntil([] { return !osd::VisibleOsdWindows().empty(); }, 2000)) << "over a full-screen program";
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"OverFullScreen", 1);
    RECT rc = Shown(NUM_LOCK_OFF), want = IconPlace(m_monitors[1].rc);
    EXPECT_TRUE(EqualRect(&want, &rc)) << "shown again when so set";
}

// Values of the wrong type or out of range count as the defaults: today's
// indicator, where today's goes, for today's time.
TEST_F(Monitors, ValuesThatAreNoUseGiveTheDefaults)
{
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"Place", L"3");
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Monitor", 9);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Seconds", 0);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Size", 175);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"Opacity", 20);
    SetDword(HKEY_CURRENT_USER, kSettingsKey, L"LockKeys", 5);
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"OverFullScreen", L"0");
    SetDword(HKEY_LOCAL_MACHINE, kPolicyKey, L"Seconds", 11);
    RECT rc = Shown(CAPS_LOCK_ON), want = IconPlace(m_monitors[0].rc);
    DWORD dwShown = GetTickCount();
    EXPECT_TRUE(EqualRect(&want, &rc)) << rc.left << "," << rc.top;
    EXPECT_FALSE(GetWindowLongW(osd::VisibleOsdWindows()[0], GWL_EXSTYLE) & WS_EX_LAYERED) << "opaque";
    EXPECT_TRUE(osd::WaitForNoOsd(kShowMs));
    DWORD dwShownFor = GetTickCount() - dwShown;
    EXPECT_GE(dwShownFor, 2500u);
    EXPECT_LT(dwShownFor, 5000u);
}

}  // namespace
