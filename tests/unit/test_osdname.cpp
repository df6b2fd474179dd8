// The spoken name of every indicator code, and of levels off their scale.
#include <gtest/gtest.h>
#include "harness.h"
#include "Tarnwatch.h"
#include "tarnview.h"

namespace {

TEST(OsdName, EveryCodeHasItsPlainEnglishName)
{
    const struct { int code, level; const wchar_t *name; } cases[] = {
        { WLAN_ON, 0, L"Wi-Fi on" }, { WLAN_OFF, 0, L"Wi-Fi off" },
        { DISPLAY_INTERNAL, 0, L"Display: internal panel" }, { DISPLAY_EXTERNAL, 0, L"Display: external monitor" },
        { DISPLAY_DUAL, 0, L"Display: both" }, { VOLUME_MUTE, 5, L"Muted" },
        { VOLUME_UP, 9, L"Volume 9 of 14" }, { VOLUME_DOWN, 0, L"Volume 0 of 14" },
        { BRIGHTNESS_UP, 7, L"Brightness 7 of 7" }, { BRIGHTNESS_DOWN, 6, L"Brightness 6 of 7" },
        { MOBILE3G_ON, 0, L"3G on" }, { MOBILE3G_OFF, 0, L"3G off" },
        { CAPS_LOCK_ON, 0, L"Caps Lock on" }, { CAPS_LOCK_OFF, 0, L"Caps Lock off" },
        { NUM_LOCK_ON, 0, L"Num Lock on" }, { NUM_LOCK_OFF, 0, L"Num Lock off" },
        { SCROLL_LOCK_ON, 0, L"Scroll Lock on" }, { SCROLL_LOCK_OFF, 0, L"Scroll Lock off" },
        { REQUEST_DENIED, 0, L"Not permitted" },
        // Off the scale: said as its nearer end.
        { VOLUME_UP, 20, L"Volume 14 of 14" }, { BRIGHTNESS_DOWN, -1, L"Brightness 0 of 7" },
    };
    for (const auto &c : cases)
    {
        wchar_t szName[64];
        EXPECT_TRUE(OsdNameOf(c.code, c.level, szName, 64)) << c.code;
        EXPECT_EQ(tarn::Narrow(c.name), tarn::Narrow(szName)) << c.code;
    }
    wchar_t szShort[8];
    EXPECT_FALSE(OsdNameOf(0, 0, szShort, 8));
    EXPECT_FALSE(OsdNameOf(DISPLAY_EXTERNAL, 0, szShort, 8)) << "a name that does not fit is refused";
}

}  // namespace
