// DBGOUT through the real Tarnwatch.dll: the folder rule, text mode, long and
// concurrent messages.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "harness.h"
#include "Tarnwatch.h"

namespace {

bool LogExists()
{
    return GetFileAttributesW(tarn::kLogFile) != INVALID_FILE_ATTRIBUTES;
}

// A missing folder is looked for again after a second at the latest, so a folder
// made while the program runs is written to soon after.
TEST(DebugLog, WithoutFolderNothingIsCreated)
{
    tarn::RemoveLog(true);
    DBGOUT("nobody reads this %d", 1);
    EXPECT_FALSE(LogExists());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tarn::kLogDir));
    tarn::PrepareLog();
    EXPECT_TRUE(tarn::WaitUntil([] {
        DBGOUT("the folder is back");
        return tarn::LogHasLine("the folder is back");
    }, 5000));
}

TEST(DebugLog, AppendsOneLineFeedInTextMode)
{
    tarn::PrepareLog();
    DBGOUT("first %d", 1);
    DBGOUT("CreateMutex error: %d\n", 5);
    DBGOUT("two\nparts");
    EXPECT_EQ("first 1\r\nCreateMutex error: 5\r\n\r\ntwo\r\nparts\r\n", tarn::ReadLog());
}

TEST(DebugLog, AppendsToWhatIsThere)
{
    tarn::PrepareLog();
    DBGOUT("one");
    tarn::RemoveLog(false);
    HANDLE hFile = CreateFileW(tarn::kLogFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD cb = 0;
    WriteFile(hFile, "kept\r\n", 6, &cb, NULL);
    CloseHandle(hFile);
    DBGOUT("two");
    EXPECT_EQ("kept\r\ntwo\r\n", tarn::ReadLog());
}

TEST(DebugLog, PercentSignsAfterFormattingAreWrittenUnchanged)
{
    tarn::PrepareLog();
    DBGOUT("%s", "100% %d %s %n %%");
    DBGOUT("rate %d%%", 50);
    EXPECT_EQ("100% %d %s %n %%\r\nrate 50%\r\n", tarn::ReadLog());
}

TEST(DebugLog, LongTextsAreCutToFit)
{
    // text length -> logged length: 1022 characters fit with the line feed and terminator.
    const struct { size_t cchText; size_t cchLogged; } cases[] = {
        { 1021, 1021 }, { 1022, 1022 }, { 1023, 1022 }, { 1024, 1022 }, { 5000, 1022 },
    };
    for (const auto &c : cases)
    {
        tarn::PrepareLog();
        std::string text(c.cchText, 'x');
        text[0] = 'a';
        DBGOUT("%s", text.c_str());
        DBGOUT("after");
        std::string expected = text.substr(0, c.cchLogged) + "\r\nafter\r\n";
        EXPECT_EQ(expected, tarn::ReadLog()) << "text of " << c.cchText;
    }
}

DWORD WINAPI WriteLines(LPVOID pParam)
{
    int nThread = (int)(INT_PTR)pParam;
    for (int i = 0; i < 200; ++i)
        DBGOUT("thread %d line %d", nThread, i);
    return 0;
}

// Every thread of either deliverable may log at once; no line may be lost.
TEST(DebugLog, ConcurrentWritersLoseNoLine)
{
    tarn::PrepareLog();
    HANDLE hThreads[8];
    for (int t = 0; t < 8; ++t)
        hThreads[t] = CreateThread(NULL, 0, WriteLines, (LPVOID)(INT_PTR)t, 0, NULL);
    WaitForMultipleObjects(8, hThreads, TRUE, 120000);
    for (HANDLE h : hThreads)
        CloseHandle(h);
    std::set<std::string> seen;
    for (const std::string &line : tarn::LogLines())
        if (line.compare(0, 7, "thread ") == 0)
            seen.insert(line);
    EXPECT_EQ(1600u, seen.size());
}

DWORD WINAPI WriteOneLine(LPVOID)
{
    DBGOUT("written past a lock");
    return 0;
}

// Another process's lock on the whole file never holds a writer up: the line is
// dropped or written, at once. A log file that is a second name of another file
// (a hard link planted in the folder anyone may create) gets nothing.
TEST(DebugLog, NeverWaitsForALockNorWritesThroughAHardLink)
{
    tarn::PrepareLog();
    DBGOUT("before the lock");
    HANDLE hLock = CreateFileW(tarn::kLogFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
    OVERLAPPED ov = {};
    ASSERT_TRUE(LockFileEx(hLock, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &ov));
    HANDLE hWriter = CreateThread(NULL, 0, WriteOneLine, NULL, 0, NULL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hWriter, 10000)) << "DBGOUT waited for the lock";
    CloseHandle(hWriter);
    UnlockFileEx(hLock, 0, MAXDWORD, MAXDWORD, &ov);
    CloseHandle(hLock);

    tarn::RemoveLog(false);
    std::wstring other = std::wstring(tarn::kLogDir) + L"\\other.txt";
    HANDLE hOther = CreateFileW(other.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hOther);
    DWORD cb = 0;
    WriteFile(hOther, "secret", 6, &cb, NULL);
    CloseHandle(hOther);
    ASSERT_TRUE(CreateHardLinkW(tarn::kLogFile, other.c_str(), NULL));
    DBGOUT("through the hard link");
    EXPECT_EQ("secret", tarn::ReadLog());
    DeleteFileW(tarn::kLogFile);
    DeleteFileW(other.c_str());
    DBGOUT("after the link");
    EXPECT_TRUE(tarn::LogHasLine("after the link"));
}

}  // namespace
