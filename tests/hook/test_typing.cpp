// Typing into the user's window while indicators come and go (XP family): the
// OSD never takes the foreground, the focus or a key, not even when clicked.
#include <ctype.h>
#include "hookfixture.h"
#include "eventcheck.h"
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace {

const char kWords[] = "the quick brown fox jumps over the lazy dog 0123456789 ";

// A fresh Tarnview with its OSD windows in play and its button callback registered.
class Typing : public tarn::TarnviewTest
{
protected:
    void SetUp() override
    {
        tarn::TarnviewTest::SetUp();
        if (tarn::PrefixOSVersion() >= 60)
            GTEST_SKIP() << "XP-family suite";
        ASSERT_EQ(0, ev::Orxctl(L"reset"));
        ASSERT_TRUE(tarn::StartKeyObserver());
        Launch();
        ASSERT_EQ(0, ev::Orxctl(L"wait-registered 60000"));
        ASSERT_TRUE(tarn::AttachIndicatorSpy());
        ASSERT_TRUE(tarn::OpenKeyWindow());
    }
    void TearDown() override
    {
        tarn::CloseKeyWindow();
        tarn::StopKeyObserver();
        tarn::DetachIndicatorSpy();
        tarn::TarnviewTest::TearDown();
    }
};

// Between two runs of words: a lock key, a volume key or a hardware button.
void PressBetweenWords(int nRound)
{
    switch (nRound % 6)
    {
    case 0: tarn::PressKey(VK_CAPITAL); break;
    case 1: tarn::PressKey(VK_VOLUME_UP); break;
    case 2: tarn::PressKey(VK_NUMLOCK); break;
    case 3: ev::Deliver(nRound % 12 == 3 ? 0 : 3); break;   // Wi-Fi, brightness up
    case 4: tarn::PressKey(VK_SCROLL); break;
    case 5: tarn::PressKey(nRound % 12 == 5 ? VK_VOLUME_MUTE : VK_VOLUME_DOWN); break;
    }
}

bool IsCapsCode(int nCode) { return nCode == CAPS_LOCK_ON || nCode == CAPS_LOCK_OFF; }

TEST_F(Typing, EveryCharacterArrivesInOrderWhileIndicatorsComeAndGo)
{
    int nLossesBefore = tarn::KeyWindowLosses();
    int nRounds = 0, nShown = 0;
    std::vector<size_t> roundStarts;
    size_t nTyped = 0;
    for (; nTyped < 1000; ++nRounds)
    {
        roundStarts.push_back(nTyped);
        for (const char *p = kWords; *p; ++p, ++nTyped)
            tarn::PressKey((BYTE)(*p == ' ' ? VK_SPACE : toupper(*p)));
        PressBetweenWords(nRounds);
        nShown += osd::WaitForVisibleOsd(5000) != NULL;
        EXPECT_TRUE(tarn::KeyWindowHasKeys()) << "after round " << nRounds;
    }
    EXPECT_GT(nShown, nRounds / 2) << "indicators came up while typing";

    // A click on a shown indicator does not take the keys either.
    tarn::PressKey(VK_VOLUME_UP);
    HWND hOsd = osd::WaitForVisibleOsd(15000);
    ASSERT_NE(nullptr, hOsd);
    RECT rc;
    GetWindowRect(hOsd, &rc);
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    roundStarts.push_back(nTyped);
    for (const char *p = kWords; *p; ++p, ++nTyped)
        tarn::PressKey((BYTE)(*p == ' ' ? VK_SPACE : toupper(*p)));
    EXPECT_TRUE(tarn::KeyWindowHasKeys()) << "after a click on the indicator";

    ASSERT_TRUE(tarn::WaitUntil([&] { return tarn::TypedText().size() >= nTyped; }, 60000))
        << tarn::TypedText().size() << " of " << nTyped << " characters arrived";
    EXPECT_EQ(nLossesBefore, tarn::KeyWindowLosses()) << "the key window lost activation or focus";

    // Every character, in order. Case aside: under Wine the X11 driver may set a
    // fresh display's Caps Lock to the X server's own state behind an injected
    // toggle, so the letters' case is no witness of the toggle state here; the
    // observer below is.
    std::vector<int> caps;
    for (const tarn::Indicator &ind : tarn::Indicators())
        if (IsCapsCode(ind.nCode))
            caps.push_back(ind.nCode);
    EXPECT_EQ((size_t)(nRounds + 5) / 6, caps.size()) << "one Caps Lock report per press";
    std::string expected, typed = tarn::Narrow(tarn::TypedText());
    for (size_t r = 0; r < roundStarts.size(); ++r)
        expected += kWords;
    for (char &c : typed)
        c = (char)tolower(c);
    EXPECT_EQ(expected, typed);

    // Every lock report matches the toggle state the observer saw before the key.
    for (const tarn::LockKey &key : tarn::kLockKeys)
    {
        std::vector<tarn::Indicator> want, got;
        for (const tarn::KeyMessage &m : tarn::KeyMessages())
            if (m.uMsg == WM_KEYDOWN && m.vk == key.vk)
                want.push_back({ m.bToggledBefore ? key.nOffCode : key.nOnCode, 0 });
        for (const tarn::Indicator &ind : tarn::Indicators())
            if (ind.nCode == key.nOnCode || ind.nCode == key.nOffCode)
                got.push_back(ind);
        EXPECT_EQ(want, got) << key.pszName;
    }
}

}  // namespace
