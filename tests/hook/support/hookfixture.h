// Fixtures of the hook suites (a fresh Tarnview per test, or one shared by a
// suite), and checks that several suites make the same way.
#ifndef HOOKFIXTURE_H
#define HOOKFIXTURE_H

#include <windows.h>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "harness.h"
#include "keyinput.h"
#include "spyclient.h"

namespace tarn {


struct LockKey
{
    BYTE vk;
    int nOnCode;
    int nOffCode;
    const char *pszName;
};
extern const LockKey kLockKeys[3];

// Most hook suites take the OSD out of play, so that what they count and time is
// the hook's own work; the typing suite keeps it in. With its windows closed the
// OSD thread's calls on them simply fail.
void CloseOsdWindows(HANDLE hProcess);

// nDowns key-downs of one lock key, pressed and released each time or held
// (auto-repeat), plain or with Alt. Each must pass on and report _OFF when the
// toggle bit was set before it, else _ON.
void ExpectLockKeyReports(const LockKey &key, bool bAlt, bool bHeld, int nDowns);

// Presses one volume key and waits for the indicator it causes.
::testing::AssertionResult PressVolumeKey(BYTE vk, const Indicator &expected);

std::string Format(const char *format, int a);
std::string Format(const char *format, int a, int b);

// A fresh Tarnview per test (XP family), its OSD windows closed, with the key
// observer (installed before Tarnview's hook, so it comes after it), the
// indicator spy and the key window.
class FreshHookTest : public TarnviewTest
{
protected:
    void SetUp() override;
    void TearDown() override;
};

// One Tarnview for the whole suite, started by the first test's suite set-up.
class SharedHookTest : public ::testing::Test
{
protected:
    static HANDLE s_hProcess;
    static DWORD s_dwRegisterMs;   // from RegisterHook's first line to the end of start-up
    static DWORD s_dwOpenMs;       // from that line to the endpoint's open (Vista family)
    static bool s_bStarted;

    static void StartShared();
    static void StopShared();
    void SetUp() override;
};

}  // namespace tarn

#endif
