// Tarnwatch's shared section with two registering processes: the second one
// must never replace the values of the first.
#include <gtest/gtest.h>
#include "harness.h"
#include "Tarnwatch.h"

namespace {

class SharedSection : public tarn::TarnviewTest {};

TEST_F(SharedSection, HoldsTheRegisteringProcessValues)
{
    Launch();
    LONG values[4];
    ASSERT_TRUE(tarn::ReadSharedSection(values)) << ".HOOKDAT must be 16 bytes";
    EXPECT_EQ(1, values[1]) << "volume ready";
    EXPECT_NE(0, values[2]) << "hook mutex";
    EXPECT_NE(0, values[3]) << "volume mutex";
    EXPECT_NE(values[2], values[3]);
}

TEST_F(SharedSection, SecondRegistrationKeepsFirstValues)
{
    Launch();
    LONG before[4];
    ASSERT_TRUE(tarn::ReadSharedSection(before));
    HANDLE hClient = tarn::StartProgram(tarn::TestsDir() + L"\\hookclient.exe", L"", tarn::TestsDir());
    ASSERT_NE(nullptr, hClient);
    ASSERT_TRUE(tarn::WaitUntil([] {
        HANDLE h = OpenEventW(SYNCHRONIZE, FALSE, L"HookClientRegistered");
        bool bSet = h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
        if (h)
            CloseHandle(h);
        return bSet;
    }, 60000));
    EXPECT_EQ(2, tarn::CountLines(tarn::LogLines().empty() ? "" : [] {
        for (const std::string &l : tarn::LogLines())
            if (l.compare(0, 24, "RegisterHook: OSVersion ") == 0)
                return l;
        return std::string();
    }())) << "the client registered too";
    LONG after[4];
    ASSERT_TRUE(tarn::ReadSharedSection(after));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before[i], after[i]) << "value " << i;
    tarn::StopProcess(hClient);
    // The first process still works after the second one is gone.
    tarn::SendIndicator(7, 3);
    EXPECT_TRUE(tarn::LogHasLine("WndProc: VOLUME_UP 3"));
}

}  // namespace
