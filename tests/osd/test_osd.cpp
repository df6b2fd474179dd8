// Each indicator code on the virtual screen: its window, place, size, region
// and picture; the level bars; 120 and 144 dpi; missing pictures; GDI/USER
// objects; the names screen readers hear.
#include <algorithm>
#include <gtest/gtest.h>
#include "harness.h"
#include "osdcheck.h"
#include "Tarnwatch.h"
#include <psapi.h>
#include <oleacc.h>
#include <math.h>

namespace {

enum Kind { ICON, MODE, BAR };

struct Layout { int left, top, cx, cy; RECT region; int corner; };

// Places for a W x H screen at 96 dpi.
Layout LayoutFor(Kind kind)
{
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    switch (kind)
    {
    case ICON: return { W - 66, H - 100, 55, 55, { 2, 2, 52, 52 }, 6 };
    case MODE: return { W - 120, H - 100, 108, 55, { 2, 2, 105, 52 }, 6 };
    default:   return { W / 2 - 124, H - 106, 254, 64, { 0, 0, 251, 61 }, 17 };
    }
}

struct CodeCase { int code; const wchar_t *picture; Kind kind; };

const CodeCase kCodes[] = {
    { WLAN_ON, L"Wl_On.png", ICON }, { WLAN_OFF, L"Wl_Off.png", ICON },
    { DISPLAY_INTERNAL, L"Ds_Int.png", MODE }, { DISPLAY_EXTERNAL, L"Ds_Ext.png", MODE },
    { DISPLAY_DUAL, L"Ds_Dual.png", MODE }, { VOLUME_MUTE, L"Vol_Mt.png", BAR },
    { VOLUME_UP, L"Vol_Bg.png", BAR }, { VOLUME_DOWN, L"Vol_Bg.png", BAR },
    { BRIGHTNESS_UP, L"Bt_Bg.png", BAR }, { BRIGHTNESS_DOWN, L"Bt_Bg.png", BAR },
    { MOBILE3G_ON, L"3G_On.png", ICON }, { MOBILE3G_OFF, L"3G_Off.png", ICON },
    { CAPS_LOCK_ON, L"Caps_On.png", ICON }, { CAPS_LOCK_OFF, L"Caps_Off.png", ICON },
    { NUM_LOCK_ON, L"Num_On.png", ICON }, { NUM_LOCK_OFF, L"Num_Off.png", ICON },
    { SCROLL_LOCK_ON, L"Scr_On.png", ICON }, { SCROLL_LOCK_OFF, L"Scr_Off.png", ICON },
    { REQUEST_DENIED, L"NP.png", ICON },
};

RECT RectOf(const Layout &l)
{
    return { l.left, l.top, l.left + l.cx, l.top + l.cy };
}

class Osd : public tarn::TarnviewTest
{
protected:
    void SetUp() override
    {
        tarn::TarnviewTest::SetUp();
        Launch();
    }

    // Waits until the screen at the layout shows back (and bars) exactly.
    bool WaitForPicture(const Layout &l, const osd::Pixels &back, const osd::Bars &bars)
    {
        return tarn::WaitUntil([&] {
            return osd::CountMismatches(osd::Capture(RectOf(l)), back, bars, l.region, l.corner) == 0;
        }, 15000);
    }
};

TEST_F(Osd, EachCodeShowsItsPictureInItsWindow)
{
    for (const CodeCase &c : kCodes)
    {
        osd::Pixels back = osd::LoadPicture(c.picture);
        ASSERT_GT(back.cx, 0) << tarn::Narrow(c.picture);
        Layout l = LayoutFor(c.kind);
        tarn::SendIndicator(c.code, 0);
        EXPECT_TRUE(WaitForPicture(l, back, osd::Bars())) << "code " << c.code;
        HWND hWnd = osd::WaitForVisibleOsd(15000);
        ASSERT_NE(nullptr, hWnd) << "code " << c.code;
        RECT rc;
        GetWindowRect(hWnd, &rc);
        EXPECT_EQ(l.left, rc.left) << "code " << c.code;
        EXPECT_EQ(l.top, rc.top) << "code " << c.code;
        EXPECT_EQ(l.cx, rc.right - rc.left) << "code " << c.code;
        EXPECT_EQ(l.cy, rc.bottom - rc.top) << "code " << c.code;
        EXPECT_TRUE(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) << "code " << c.code;
        EXPECT_TRUE(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "code " << c.code;
    }
}

TEST_F(Osd, RegionClipsTheCorners)
{
    const struct { int code; const wchar_t *picture; Kind kind; } cases[] = {
        { CAPS_LOCK_ON, L"Caps_On.png", ICON }, { DISPLAY_DUAL, L"Ds_Dual.png", MODE },
        { VOLUME_MUTE, L"Vol_Mt.png", BAR },
    };
    for (const auto &c : cases)
    {
        ASSERT_TRUE(osd::WaitForNoOsd(15000));
        Layout l = LayoutFor(c.kind);
        osd::Pixels desktop = osd::Capture(RectOf(l));
        osd::Pixels back = osd::LoadPicture(c.picture);
        tarn::SendIndicator(c.code, 0);
        ASSERT_TRUE(WaitForPicture(l, back, osd::Bars())) << "code " << c.code;
        osd::Pixels shown = osd::Capture(RectOf(l));
        // Corner pixels and the strip outside the region keep the desktop.
        const POINT outside[] = { { 0, 0 }, { l.cx - 1, 0 }, { 0, l.cy - 1 }, { l.cx - 1, l.cy - 1 },
                                  { l.region.left + 1, l.region.top }, { l.cx - 1, l.cy / 2 } };
        for (POINT pt : outside)
        {
            EXPECT_EQ(desktop.At(pt.x, pt.y), shown.At(pt.x, pt.y)) << "code " << c.code << " at " << pt.x << "," << pt.y;
        }
        EXPECT_NE(desktop.At(l.cx / 2, l.cy / 2), shown.At(l.cx / 2, l.cy / 2)) << "the picture shows inside";
    }
}

TEST_F(Osd, BarsMatchTheLevel)
{
    osd::Pixels volBack = osd::LoadPicture(L"Vol_Bg.png"), vol = osd::LoadPicture(L"Vol.png");
    osd::Pixels btBack = osd::LoadPicture(L"Bt_Bg.png"), bt = osd::LoadPicture(L"Bt.png");
    osd::Pixels mute = osd::LoadPicture(L"Vol_Mt.png");
    const struct { int code; int level; int bars; } cases[] = {
        { VOLUME_UP, 0, 0 }, { VOLUME_UP, 1, 1 }, { VOLUME_DOWN, 7, 7 }, { VOLUME_UP, 14, 14 },
        { VOLUME_MUTE, 0, 0 }, { BRIGHTNESS_DOWN, 0, 0 }, { BRIGHTNESS_UP, 3, 3 }, { BRIGHTNESS_UP, 7, 7 },
        { VOLUME_DOWN, 2, 2 },
    };
    Layout l = LayoutFor(BAR);
    for (const auto &c : cases)
    {
        bool bVolume = c.code == VOLUME_UP || c.code == VOLUME_DOWN;
        const osd::Pixels &back = c.code == VOLUME_MUTE ? mute : bVolume ? volBack : btBack;
        osd::Bars bars;
        bars.pBar = bVolume ? &vol : &bt;
        bars.nCount = c.code == VOLUME_MUTE ? 0 : c.bars;
        bars.x = bVolume ? 41 : 46;
        bars.pitch = bVolume ? 14 : 27;
        bars.y = bVolume ? 12 : 11;
        tarn::SendIndicator(c.code, c.level);
        EXPECT_TRUE(WaitForPicture(l, back, bars)) << "code " << c.code << " level " << c.level;
        osd::Pixels screen = osd::Capture(RectOf(l));
        int nMax = bVolume ? 14 : 7;
        EXPECT_EQ(bars.nCount, osd::CountBarsShown(screen, *bars.pBar, bars.x, bars.pitch, bars.y, nMax))
            << "code " << c.code << " level " << c.level;
    }
}

TEST_F(Osd, MuteShowsNoBarsWhateverTheStoredLevel)
{
    osd::Pixels mute = osd::LoadPicture(L"Vol_Mt.png"), vol = osd::LoadPicture(L"Vol.png");
    tarn::SendIndicator(VOLUME_UP, 14);
    tarn::SendIndicator(VOLUME_MUTE, 0);
    Layout l = LayoutFor(BAR);
    EXPECT_TRUE(WaitForPicture(l, mute, osd::Bars()));
    EXPECT_EQ(0, osd::CountBarsShown(osd::Capture(RectOf(l)), vol, 41, 14, 12, 14));
}

DWORD GuiObjects(HANDLE hProcess, DWORD dwKind)
{
    return GetGuiResources(hProcess, dwKind);
}

// Wine reports no GUI object counts, so leaks are also caught by what they cost
// (tarn::PrivateBytes): one lost paint bitmap or decoded picture is tens of kilobytes.
using tarn::PrivateBytes;

TEST_F(Osd, GdiAndUserObjectsStayFlatOverManyShows)
{
    HANDLE hQuery = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetProcessId(m_hProcess));
    ASSERT_NE(nullptr, hQuery);
    auto show = [&](int n) {
        for (int i = 0; i < n; ++i)
        {
            tarn::SendIndicator(i % 2 ? CAPS_LOCK_ON : VOLUME_UP, i % 15);
            // Each code is shown (and painted) before the next one comes.
            tarn::WaitUntil([&] { return !osd::VisibleOsdWindows().empty(); }, 5000);
        }
    };
    show(10);
    DWORD gdiAfter10 = GuiObjects(hQuery, GR_GDIOBJECTS), userAfter10 = GuiObjects(hQuery, GR_USEROBJECTS);
    SIZE_T cbAfter10 = PrivateBytes(hQuery);
    show(490);
    SIZE_T cbAfter500 = PrivateBytes(hQuery);
    printf("GDI %lu, USER %lu objects; private bytes %lu after 10 shows, %lu after 500\n", gdiAfter10, userAfter10,
           (unsigned long)cbAfter10, (unsigned long)cbAfter500);
    EXPECT_EQ(gdiAfter10, GuiObjects(hQuery, GR_GDIOBJECTS));
    EXPECT_EQ(userAfter10, GuiObjects(hQuery, GR_USEROBJECTS));
    EXPECT_GT(cbAfter10, 0u);
    EXPECT_LT(cbAfter500, cbAfter10 + 1024 * 1024) << "memory grows with every show";
    CloseHandle(hQuery);
}

// Pictures missing: the window still comes up, nothing crashes, nothing new is logged.
TEST_F(Osd, MissingPicturesStillShowTheWindow)
{
    TearDown();
    CreateDirectoryW(L"C:\\tarnempty", NULL);
    CreateDirectoryW(L"C:\\tarnempty\\bin", NULL);
    tarn::TarnviewTest::SetUp();
    tarn::SetInstallPath(L"C:\\tarnempty\\bin");
    Launch();
    size_t cBefore = tarn::LogLines().size();
    for (int code : { WLAN_ON, VOLUME_UP, DISPLAY_DUAL, REQUEST_DENIED, BRIGHTNESS_UP })
    {
        tarn::SendIndicator(code, 5);
        EXPECT_TRUE(tarn::WaitUntil([] { return osd::VisibleOsdWindows().size() == 1; }, 15000)) << code;
    }
    ASSERT_TRUE(osd::WaitForNoOsd(15000));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m_hProcess, 0));
    std::vector<std::string> lines = tarn::LogLines();
    for (size_t i = cBefore; i < lines.size(); ++i)
    {
        const std::string &s = lines[i];
        EXPECT_TRUE(s.rfind("WndProc:", 0) == 0 || s.rfind("ShowIndicatorProc:", 0) == 0 || s == "enter dllmain" || s.empty())
            << s;
    }
}

// A picture replaced while Tarnview runs is shown at the next show: decoded
// pictures are kept only while their file stays as it was.
TEST_F(Osd, AReplacedPictureIsShownAtTheNextShow)
{
    TearDown();
    const std::wstring dir = L"C:\\tarnpics";
    CreateDirectoryW(dir.c_str(), NULL);
    CreateDirectoryW((dir + L"\\bin").c_str(), NULL);
    CreateDirectoryW((dir + L"\\Resource").c_str(), NULL);
    const std::wstring shown = dir + L"\\Resource\\Caps_On.png";
    const std::wstring resource = tarn::OutDir() + L"\\Resource\\";
    ASSERT_TRUE(CopyFileW((resource + L"Caps_On.png").c_str(), shown.c_str(), FALSE));
    tarn::TarnviewTest::SetUp();
    tarn::SetInstallPath(dir + L"\\bin");
    Launch();
    Layout l = LayoutFor(ICON);
    tarn::SendIndicator(CAPS_LOCK_ON, 0);
    EXPECT_TRUE(WaitForPicture(l, osd::LoadPicture(L"Caps_On.png"), osd::Bars()));
    ASSERT_TRUE(osd::WaitForNoOsd(15000));
    ASSERT_TRUE(CopyFileW((resource + L"Caps_Off.png").c_str(), shown.c_str(), FALSE));
    tarn::SendIndicator(CAPS_LOCK_ON, 0);
    EXPECT_TRUE(WaitForPicture(l, osd::LoadPicture(L"Caps_Off.png"), osd::Bars())) << "the old picture stayed";
}

// A screen reader hears each indicator once, by name in the user's language
// (this test's own, set for its runs in other languages; English for one the
// product lacks), when it appears and when the visible bar changes its level: an
// alert from the shown window, whose accessible object is in the alert role
// (readers drop other alerts) and gives the name.
TEST_F(Osd, EachKindIsAnnouncedOnceByName)
{
    const LANGID columns[] = { 0x0409, 0x0407, 0x0411 };
    const struct { int code; int level; const wchar_t *name[3]; } cases[] = {
        { CAPS_LOCK_ON, 0, { L"Caps Lock on", L"Feststelltaste ein", L"Caps Lock オン" } },
        { VOLUME_UP, 9, { L"Volume 9 of 14", L"Lautstärke 9 von 14", L"音量 14 段階中 9" } },
        { VOLUME_MUTE, 0, { L"Muted", L"Stumm", L"ミュート" } },
        { BRIGHTNESS_DOWN, 6, { L"Brightness 6 of 7", L"Helligkeit 6 von 7", L"明るさ 7 段階中 6" } },
        { WLAN_ON, 0, { L"Wi-Fi on", L"WLAN ein", L"Wi-Fi オン" } },
        { DISPLAY_EXTERNAL, 0, { L"Display: external monitor", L"Anzeigemodus: externer Monitor", L"ディスプレイ: 外部モニター" } },
        { REQUEST_DENIED, 0, { L"Not permitted", L"Nicht zulässig", L"許可されていません" } },
        { VOLUME_DOWN, 3, { L"Volume 3 of 14", L"Lautstärke 3 von 14", L"音量 14 段階中 3" } },
        { VOLUME_UP, 4, { L"Volume 4 of 14", L"Lautstärke 4 von 14", L"音量 14 段階中 4" } },
    };
    const LANGID lang = GetUserDefaultUILanguage() == 0x0413 ? 0x0409 : GetUserDefaultUILanguage();
    const size_t column = std::find(std::begin(columns), std::end(columns), lang) - std::begin(columns);
    ASSERT_LT(column, ARRAYSIZE(columns)) << "a run in language " << lang << ", which this table lacks";
    osd::ListenForAlerts(GetProcessId(m_hProcess));
    HWND hBar = NULL;
    for (size_t i = 0; i < ARRAYSIZE(cases); ++i)
    {
        tarn::SendIndicator(cases[i].code, cases[i].level);
        const std::vector<osd::Alert> &alerts = osd::WaitForAlerts(i + 1, 15000);
        ASSERT_EQ(i + 1, alerts.size()) << "no alert for code " << cases[i].code;
        EXPECT_EQ(tarn::Narrow(cases[i].name[column]), tarn::Narrow(alerts[i].name)) << "code " << cases[i].code;
        EXPECT_EQ(ROLE_SYSTEM_ALERT, alerts[i].role) << "code " << cases[i].code;
        EXPECT_EQ(osd::WaitForVisibleOsd(15000), alerts[i].hWnd) << "code " << cases[i].code;
        if (cases[i].code == VOLUME_UP && cases[i].level == 4)
        {
            EXPECT_EQ(hBar, alerts[i].hWnd) << "the level change comes from the bar still shown";
        }
        hBar = alerts[i].hWnd;
    }
    // Every alert was raised while its OSD was on screen; by now all have come.
    ASSERT_TRUE(osd::WaitForNoOsd(15000));
    EXPECT_EQ(ARRAYSIZE(cases), osd::WaitForAlerts(ARRAYSIZE(cases) + 1, 0).size()) << "an indicator was announced twice";
    osd::StopListening();
}

// At 120 and 144 dpi everything of the 96-dpi layout scales, rounded to nearest:
// sizes, regions, pictures, bars and the distances from the screen's edges.
class OsdAtDpi : public Osd, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        SetLogPixels(GetParam());
        Osd::SetUp();
    }
    void TearDown() override
    {
        Osd::TearDown();
        SetLogPixels(96);
    }
    static void SetLogPixels(DWORD dpi)
    {
        HKEY hKey;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL);
        RegSetValueExW(hKey, L"LogPixels", 0, REG_DWORD, (const BYTE *)&dpi, sizeof(dpi));
        RegCloseKey(hKey);
    }
    int S(int n) const { return MulDiv(n, GetParam(), 96); }
    double Scaled(int n) const { return n * GetParam() / 96.0; }

    // The shown window, its rectangle and pixels once its picture is painted: the
    // pixel at the 96-dpi point pt, scaled, shows the picture's pixel there
    // (within the blending of the scaling); an unscaled picture leaves it unpainted.
    HWND WaitForFilledWindow(const osd::Pixels &picture, POINT pt, RECT *prc, osd::Pixels *pShot)
    {
        HWND hWnd = NULL;
        bool bFilled = tarn::WaitUntil([&] {
            hWnd = osd::WaitForVisibleOsd(0);
            if (!hWnd || !GetWindowRect(hWnd, prc))
                return false;
            *pShot = osd::Capture(*prc);
            return pShot->cx > S(pt.x) && pShot->cy > S(pt.y)
                   && osd::Near(pShot->At(S(pt.x), S(pt.y)), picture.At(pt.x, pt.y), 16);
        }, 15000);
        return bFilled ? hWnd : NULL;
    }

    struct WindowCase { int code; const wchar_t *picture; int cx, cy, gapRight, gapBottom; RECT region; POINT inner; };

    // Wholly on the screen, as far from its edges as at 96 dpi (scaled), sized
    // and clipped like its picture, which fills it.
    void CheckWindow(const WindowCase &c)
    {
        int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
        ASSERT_TRUE(osd::WaitForNoOsd(15000));
        tarn::SendIndicator(c.code, 0);
        RECT rc;
        osd::Pixels shot;
        HWND hWnd = WaitForFilledWindow(osd::LoadPicture(c.picture), c.inner, &rc, &shot);
        ASSERT_NE(nullptr, hWnd) << c.code << ": no window filled by its picture";
        EXPECT_EQ(S(c.cx), rc.right - rc.left) << c.code;
        EXPECT_EQ(S(c.cy), rc.bottom - rc.top) << c.code;
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= W && rc.bottom <= H)
            << c.code << " at " << rc.left << "," << rc.top << ".." << rc.right << "," << rc.bottom;
        EXPECT_NEAR(Scaled(c.gapBottom), H - rc.bottom, 1.0) << c.code;
        // Centred to a pixel: at 96 dpi the bar window's centre lies 3 px right of the
        // screen's (its visible panel, 0..251 of 254, 1.5 px); so it does at any DPI,
        // scaled, give or take a pixel.
        double offRight = c.gapRight >= 0 ? Scaled(c.gapRight) - (W - rc.right)
                                          : W / 2 + Scaled(3) - (rc.left + rc.right) / 2.0;
        EXPECT_LE(fabs(offRight), 1.0) << c.code << (c.gapRight >= 0 ? ": off the right edge" : ": off centre");
        // A rounded region leaves out its right and bottom edge.
        HRGN hRgn = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(ERROR, GetWindowRgn(hWnd, hRgn)) << c.code;
        RECT box, expected = { S(c.region.left), S(c.region.top), S(c.region.right) - 1, S(c.region.bottom) - 1 };
        GetRgnBox(hRgn, &box);
        DeleteObject(hRgn);
        EXPECT_TRUE(EqualRect(&box, &expected))
            << c.code << ": region " << box.left << "," << box.top << ".." << box.right << "," << box.bottom;
    }

    struct BarCase { int code; const wchar_t *back, *bar; int x, pitch, y, nMax, nMid; };

    // At a mid level the first bars show exactly the pixels of the full level,
    // the others the bare background.
    void CheckBars(const BarCase &c)
    {
        osd::Pixels back = osd::LoadPicture(c.back), bar = osd::LoadPicture(c.bar);
        auto span = [&](int i) {
            int x = S(c.x + c.pitch * i), y = S(c.y);
            return RECT{ x, y, x + S(bar.cx), y + S(bar.cy) };
        };
        RECT rc;
        osd::Pixels bare, full, mid;
        ASSERT_TRUE(osd::WaitForNoOsd(15000));
        tarn::SendIndicator(c.code, 0);
        ASSERT_NE(nullptr, WaitForFilledWindow(back, { 245, 57 }, &rc, &bare)) << c.code;
        tarn::SendIndicator(c.code, c.nMax);
        ASSERT_TRUE(tarn::WaitUntil([&] {
            full = osd::Capture(rc);
            for (int i = 0; i < c.nMax; ++i)
                if (osd::SamePixels(full, bare, span(i)))
                    return false;
            return true;
        }, 15000)) << c.code << ": not every bar is drawn at the full level";
        tarn::SendIndicator(c.code, c.nMid);
        EXPECT_TRUE(tarn::WaitUntil([&] {
            mid = osd::Capture(rc);
            for (int i = 0; i < c.nMax; ++i)
                if (!osd::SamePixels(mid, i < c.nMid ? full : bare, span(i)))
                    return false;
            return true;
        }, 15000)) << c.code << " level " << c.nMid;
    }
};

TEST_P(OsdAtDpi, WindowsLieInsideTheScreenFilledByTheirPicturesAndBars)
{
    const WindowCase windows[] = {
        { CAPS_LOCK_ON, L"Caps_On.png", 55, 55, 11, 45, { 2, 2, 52, 52 }, { 47, 47 } },
        { DISPLAY_EXTERNAL, L"Ds_Ext.png", 108, 55, 12, 45, { 2, 2, 105, 52 }, { 101, 47 } },
        { VOLUME_UP, L"Vol_Bg.png", 254, 64, -1, 42, { 0, 0, 251, 61 }, { 245, 57 } },
    };
    for (const WindowCase &c : windows)
        CheckWindow(c);
    const BarCase bars[] = {
        { VOLUME_UP, L"Vol_Bg.png", L"Vol.png", 41, 14, 12, 14, 5 },
        { BRIGHTNESS_UP, L"Bt_Bg.png", L"Bt.png", 46, 27, 11, 7, 3 },
    };
    for (const BarCase &c : bars)
        CheckBars(c);
}

INSTANTIATE_TEST_SUITE_P(Dpi, OsdAtDpi, ::testing::Values(120, 144));

}  // namespace
