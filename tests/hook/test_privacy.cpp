// What the hook writes to the log (XP family): its own six keys, key-downs and
// key-ups; nothing at all about any other key, since others may read the log.
#include "hookfixture.h"
#include "Tarnwatch.h"

namespace {

class HookLog : public tarn::FreshHookTest {};

TEST_F(HookLog, OrdinaryKeysLeaveNoTrace)
{
    const BYTE typed[] = { 'P', 'A', 'S', 'S', 'W', '0', 'R', 'D', '7', VK_OEM_1, VK_OEM_PERIOD, VK_SPACE, VK_BACK,
                           VK_RETURN, VK_TAB, VK_ESCAPE, VK_F5, VK_NUMPAD4, VK_MULTIPLY, VK_LEFT, VK_HOME, VK_DELETE,
                           VK_INSERT, VK_LCONTROL, VK_LSHIFT, VK_MEDIA_PLAY_PAUSE, VK_BROWSER_BACK };
    size_t nLines = tarn::LogLines().size();
    tarn::KeyDown(VK_LSHIFT);
    for (BYTE vk : typed)
        tarn::PressKey(vk);
    tarn::KeyUp(VK_LSHIFT);
    tarn::PressKey('Z');   // arrives last: everything before it went through the hook
    ASSERT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, 'Z', 1, 10000));
    for (BYTE vk : typed)
        EXPECT_GE(tarn::CountKeyMessages(WM_KEYDOWN, vk), 1u) << "key " << (int)vk << " passes on";
    std::vector<std::string> lines = tarn::LogLines();
    EXPECT_EQ(nLines, lines.size()) << "last line: " << (lines.empty() ? "" : lines.back());
}

TEST_F(HookLog, TheSixKeysAreLoggedDownAndUp)
{
    // Each lock key twice, so its toggle state ends as it began.
    const BYTE keys[] = { VK_CAPITAL, VK_CAPITAL, VK_NUMLOCK, VK_NUMLOCK, VK_SCROLL, VK_SCROLL,
                          VK_VOLUME_MUTE, VK_VOLUME_DOWN, VK_VOLUME_UP };
    std::vector<std::string> expected;
    for (BYTE vk : keys)
    {
        tarn::PressKey(vk);
        expected.push_back(tarn::Format("KeybdProcLL received,wParam=%d, p->vkCode = %d", WM_KEYDOWN, vk));
        expected.push_back(tarn::Format("KeybdProcLL received,wParam=%d, p->vkCode = %d", WM_KEYUP, vk));
    }
    ASSERT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, VK_VOLUME_UP, 1, 10000));
    std::vector<std::string> received;
    for (const std::string &line : tarn::LogLines())
        if (line.compare(0, 19, "KeybdProcLL receive") == 0)
            received.push_back(line);
    EXPECT_EQ(expected, received);
    // The format's own line feed leaves an empty line behind each of them.
    std::vector<std::string> lines = tarn::LogLines();
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (lines[i].compare(0, 19, "KeybdProcLL receive") == 0)
        {
            EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1].empty()) << lines[i];
        }
    }
}

}  // namespace
