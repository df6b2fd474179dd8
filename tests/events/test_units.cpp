// The pure pieces of the hardware events, compiled in: topology, cycle and
// exit-code tables, registry text and command lines within 260 characters,
// and which page key each bezel event sends.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "harness.h"
#include "Tarnwatch.h"
#include "tarnview.h"

// What the compiled-in product files read from the rest of Tarnview.
int g_nOSVersion = 0;
volatile LONG g_nDisplayOrientation = 0;

namespace {

const size_t kCmdCch = 260;

TEST(DisplayTables, TopologyMapsToMode)
{
    const struct { UINT32 topology; int mode; } cases[] = {
        { 1, 3 }, { 2, 5 }, { 4, -1 }, { 8, 4 }, { 0, -1 }, { 3, -1 }, { 16, -1 }, { 0xFFFFFFFFu, -1 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.mode, DisplayModeOfTopology(c.topology)) << "topology " << c.topology;
}

TEST(DisplayTables, CycleGivesArgumentAndCodeShown)
{
    const struct { int mode; const wchar_t *argument; int shown; } cases[] = {
        { 3, L"/external", DISPLAY_EXTERNAL }, { 4, L"/clone", DISPLAY_DUAL }, { 5, L"/internal", DISPLAY_INTERNAL },
        { -1, L"/internal", INDICATOR_NONE }, { 7, L"/internal", INDICATOR_NONE },
    };
    for (const auto &c : cases)
    {
        int shown = 99;
        EXPECT_STREQ(c.argument, DisplaySwitchArgument(c.mode, &shown)) << "mode " << c.mode;
        EXPECT_EQ(c.shown, shown) << "mode " << c.mode;
    }
}

TEST(DisplayTables, ScreenflipExitCodeMapsToIndicator)
{
    const struct { DWORD exitCode; int shown; } cases[] = {
        { 0, DISPLAY_INTERNAL }, { 1, DISPLAY_INTERNAL }, { 2, DISPLAY_EXTERNAL }, { 3, DISPLAY_DUAL },
        { 4, INDICATOR_NONE }, { 7, INDICATOR_NONE }, { STILL_ACTIVE, INDICATOR_NONE }, { MAXDWORD, INDICATOR_NONE },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.shown, IndicatorOfScreenflipExit(c.exitCode)) << "exit code " << c.exitCode;
}

TEST(DisplayTables, XpFamilyHasNoTopology)
{
    g_nOSVersion = 51;
    EXPECT_EQ(-1, GetCurrentDisplaySwitchMode());
    // Wine's User32 has the functions and always reports the internal panel.
    g_nOSVersion = 61;
    EXPECT_EQ(3, GetCurrentDisplaySwitchMode());
    g_nOSVersion = 0;
}

// A 260-character buffer inside a larger one: what lies behind must stay untouched.
struct Guarded
{
    wchar_t text[kCmdCch + 16];
    Guarded() { wmemset(text, L'#', kCmdCch + 16); }
    bool Intact() const
    {
        for (size_t i = kCmdCch; i < kCmdCch + 16; ++i)
            if (text[i] != L'#')
                return false;
        return true;
    }
};

std::wstring Dir(size_t cch)
{
    return L"C:\\" + std::wstring(cch - 3, L'd');
}

TEST(CommandLines, ProgramPathIsQuotedAndBounded)
{
    // The quoted path with " Toggle" takes the directory plus 24 characters.
    const struct { size_t dirCch; const wchar_t *program; const wchar_t *args; bool fits; } cases[] = {
        { 3, L"Screenflip.exe", L"Toggle", true }, { 235, L"Screenflip.exe", L"Toggle", true },
        { 236, L"Screenflip.exe", L"Toggle", false }, { 256, L"Screenflip.exe", L"Toggle", false },
        { 244, L"Pinwheel.exe", NULL, true }, { 245, L"Pinwheel.exe", NULL, false },
        { 245, L"Dovetail.exe", L"", false }, { 244, L"Dovetail.exe", L"", true },
    };
    for (const auto &c : cases)
    {
        Guarded buffer;
        std::wstring dir = Dir(c.dirCch);
        BOOL fits = BuildProgramCommandLine(buffer.text, kCmdCch, dir.c_str(), c.program, c.args);
        EXPECT_EQ(c.fits, fits != FALSE) << "directory of " << c.dirCch;
        std::wstring expected = L"\"" + dir + L"\\" + c.program + L"\"";
        if (c.args && *c.args)
            expected += std::wstring(L" ") + c.args;
        EXPECT_EQ(c.fits ? expected : L"", std::wstring(buffer.text)) << "directory of " << c.dirCch;
        EXPECT_TRUE(buffer.Intact()) << "directory of " << c.dirCch;
    }
}

TEST(CommandLines, SearchPathIsBounded)
{
    const struct { size_t dirCch; bool fits; } cases[] = { { 244, true }, { 245, false }, { 256, false } };
    for (const auto &c : cases)
    {
        Guarded buffer;
        std::wstring dir = Dir(c.dirCch);
        EXPECT_EQ(c.fits, BuildProgramPath(buffer.text, kCmdCch, dir.c_str(), L"Screenflip.exe") != FALSE);
        EXPECT_EQ(c.fits ? dir + L"\\Screenflip.exe" : L"", std::wstring(buffer.text));
        EXPECT_TRUE(buffer.Intact());
    }
}

class RegistryText : public ::testing::Test
{
protected:
    static constexpr const wchar_t *kKey = L"Software\\TarnSim\\UnitRegistryText";
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }

    // The registry adds a terminator that a string value lacks when one follows
    // the data in memory; a character behind the data keeps it out.
    void Store(DWORD type, const void *data, DWORD cb)
    {
        std::vector<BYTE> bytes((const BYTE *)data, (const BYTE *)data + cb);
        bytes.push_back('Q');
        bytes.push_back(0);
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL));
        RegSetValueExW(hKey, L"Value", 0, type, bytes.data(), cb);
        RegCloseKey(hKey);
    }
};

TEST_F(RegistryText, ReadsAtMost512BytesAsText)
{
    std::wstring c256(256, L'x'), c255(255, L'y'), c257(257, L'z');
    const struct { const char *name; DWORD type; std::wstring data; DWORD cb; bool present; std::wstring text; } cases[] = {
        { "256 characters, no terminator", REG_SZ, c256, 512, true, c256 },
        { "255 characters and terminator", REG_SZ, c255, 512, true, c255 },
        { "257 characters", REG_SZ, c257, 514, false, L"" },
        { "no terminator", REG_SZ, L"abc", 6, true, L"abc" },
        { "odd byte count", REG_SZ, L"abc", 5, true, L"ab" },
        { "any type", REG_BINARY, L"bin", 6, true, L"bin" },
        { "environment reference kept", REG_EXPAND_SZ, L"%WINDIR%\\x.exe", 30, true, L"%WINDIR%\\x.exe" },
        { "empty", REG_SZ, L"", 0, true, L"" },
    };
    for (const auto &c : cases)
    {
        Store(c.type, c.data.c_str(), c.cb);
        Guarded buffer;
        BOOL present = ReadRegistryText(HKEY_CURRENT_USER, kKey, L"Value", buffer.text, kCmdCch);
        EXPECT_EQ(c.present, present != FALSE) << c.name;
        EXPECT_EQ(c.text, std::wstring(buffer.text)) << c.name;
        EXPECT_TRUE(buffer.Intact()) << c.name;
    }
}

TEST_F(RegistryText, AbsentKeyOrValue)
{
    wchar_t text[kCmdCch] = L"old";
    EXPECT_FALSE(ReadRegistryText(HKEY_CURRENT_USER, kKey, L"Value", text, kCmdCch));
    EXPECT_STREQ(L"", text);
    Store(REG_SZ, L"a", 4);
    EXPECT_FALSE(ReadRegistryText(HKEY_CURRENT_USER, kKey, L"Other", text, kCmdCch));
}

TEST_F(RegistryText, SmallBufferOffersOnlyItsRoom)
{
    Store(REG_SZ, L"0123456789", 20);
    wchar_t small[12];
    wmemset(small, L'#', 12);
    EXPECT_FALSE(ReadRegistryText(HKEY_CURRENT_USER, kKey, L"Value", small, 10));
    EXPECT_EQ(L'#', small[10]);
    EXPECT_TRUE(ReadRegistryText(HKEY_CURRENT_USER, kKey, L"Value", small, 11));
    EXPECT_STREQ(L"0123456789", small);
}

TEST(PageKeys, OrientationRule)
{
    // Upright (0, 1) the up button pages down; turned over (2, 3) it pages up.
    const struct { DWORD event; WORD key[4]; } cases[] = {
        { BEZEL_UP_KEYDOWN, { VK_NEXT, VK_NEXT, VK_PRIOR, VK_PRIOR } },
        { BEZEL_UP_KEYUP, { VK_NEXT, VK_NEXT, VK_PRIOR, VK_PRIOR } },
        { BEZEL_DOWN_KEYDOWN, { VK_PRIOR, VK_PRIOR, VK_NEXT, VK_NEXT } },
        { BEZEL_DOWN_KEYUP, { VK_PRIOR, VK_PRIOR, VK_NEXT, VK_NEXT } },
    };
    for (const auto &c : cases)
        for (int orientation = 0; orientation < 4; ++orientation)
            EXPECT_EQ(c.key[orientation], PageKeyOf(c.event, orientation))
                << "event " << c.event << " orientation " << orientation;
}

TEST(PageKeys, KeyUpReleasesWhatItsKeyDownPressed)
{
    struct Step { DWORD event; int orientation; WORD key; };
    const std::vector<std::vector<Step>> sequences = {
        // turned between down and up: the up still releases Page Down
        { { 8, 0, VK_NEXT }, { 9, 2, VK_NEXT } },
        { { 10, 0, VK_PRIOR }, { 11, 3, VK_PRIOR } },
        // no press recorded: the orientation decides
        { { 9, 2, VK_PRIOR } }, { { 11, 0, VK_PRIOR } }, { { 9, 0, VK_NEXT }, { 9, 2, VK_PRIOR } },
        // a held button repeats its key, even after a turn
        { { 10, 2, VK_NEXT }, { 10, 0, VK_NEXT }, { 11, 0, VK_NEXT }, { 11, 0, VK_PRIOR } },
        // the two buttons are kept apart
        { { 8, 0, VK_NEXT }, { 10, 2, VK_NEXT }, { 9, 2, VK_NEXT }, { 11, 0, VK_NEXT }, { 8, 2, VK_PRIOR } },
    };
    for (size_t s = 0; s < sequences.size(); ++s)
    {
        g_wBezelUpKey = g_wBezelDownKey = 0;
        for (size_t i = 0; i < sequences[s].size(); ++i)
        {
            const Step &step = sequences[s][i];
            EXPECT_EQ(step.key, PageKeyToSend(step.event, step.orientation)) << "sequence " << s << " step " << i;
        }
    }
    g_wBezelUpKey = g_wBezelDownKey = 0;
}

}  // namespace
