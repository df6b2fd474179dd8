// TarnButtons.cpl opened with control.exe and driven as a user would: text in
// its fields, its buttons clicked; the registry and the real Tarnview checked.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "launchcfg.h"
#include "resource.h"

namespace {

const wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Halvern\\BezelButton";

class Cpl : public ev::EventTest
{
protected:
    HANDLE m_hControl = NULL;
    HWND m_hSheet = NULL, m_hPage = NULL;

    void SetUp() override
    {
        ev::EventTest::SetUp();
        Clear();
        LaunchProduct();
    }
    void TearDown() override
    {
        if (m_hControl)
            tarn::StopProcess(m_hControl);
        ev::EventTest::TearDown();
        Clear();
    }
    static void Clear()
    {
        ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPolicyKey);
    }
    static std::wstring Target(const wchar_t *tag)
    {
        return L"\"" + tarn::SimDir() + L"\\LaunchTarget.exe\" --tag " + tag + L" --life 8000";
    }

    void Open()
    {
        // Started elsewhere than Tarnview's folder, as Control Panel is.
        m_hControl = tarn::StartProgram(L"C:\\windows\\system32\\control.exe",
                                        L"\"" + tarn::BinDir() + L"\\TarnButtons.cpl\"", tarn::TestsDir());
        ASSERT_NE(nullptr, m_hControl);
        ASSERT_TRUE(tarn::WaitUntil([&] {
            m_hSheet = FindWindowW(L"#32770", L"Tarn Buttons");
            return m_hSheet && IsWindowVisible(m_hSheet);
        }, ev::kDeadlineMs));
        m_hPage = (HWND)SendMessageW(m_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        ASSERT_NE(nullptr, m_hPage);
    }
    HWND Row(int nRow, int nOffset) { return GetDlgItem(m_hPage, IDC_ROW(nRow, nOffset)); }
    // Posted: OK and Try may show a message box before they return.
    void Click(HWND hButton) { PostMessageW(hButton, BM_CLICK, 0, 0); }
    void Close(int nId)
    {
        Click(GetDlgItem(m_hSheet, nId));
        ASSERT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(m_hControl, ev::kDeadlineMs));
        CloseHandle(m_hControl);
        m_hControl = NULL;
    }
    static std::string Text(HWND hWnd)
    {
        wchar_t sz[1024] = L"";
        // Sent: GetWindowTextW reads no control of another process.
        SendMessageW(hWnd, WM_GETTEXT, 1024, (LPARAM)sz);
        return tarn::Narrow(sz);
    }
    // The message box the sheet shows: its text; it is closed again.
    std::string TakeMessage()
    {
        HWND hBox = NULL;
        tarn::WaitUntil([&] {
            hBox = NULL;
            for (HWND h = GetTopWindow(NULL); h && !hBox; h = GetWindow(h, GW_HWNDNEXT))
                if (h != m_hSheet && GetWindow(h, GW_OWNER) == m_hSheet && IsWindowVisible(h))
                    hBox = h;
            return hBox != NULL;
        }, ev::kDeadlineMs);
        if (!hBox)
            return "(no message)";
        std::string text = Text(GetDlgItem(hBox, 0xFFFF));
        PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        tarn::WaitUntil([&] { return !IsWindow(hBox); }, ev::kDeadlineMs);
        return text;
    }
    static std::string UserValue(const wchar_t *name, DWORD *pdwType = NULL)
    {
        wchar_t sz[1024] = L"";
        DWORD cb = sizeof(sz) - sizeof(wchar_t), dwType = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, BEZEL_BUTTON_KEY, name, RRF_RT_ANY | RRF_NOEXPAND, &dwType, sz, &cb)
            != ERROR_SUCCESS)
            return "(none)";
        if (pdwType)
            *pdwType = dwType;
        return tarn::Narrow(sz);
    }
};

// OK writes the user's value and Tarnview starts it for the camera button; Try
// starts a row's command at once; Cancel writes nothing.
TEST_F(Cpl, CommandSetInDialogIsStartedByTarnviewAndCancelWritesNothing)
{
    Open();
    SetWindowTextW(Row(2, IDC_ROW_EDIT), Target(L"cpl").c_str());
    Close(IDOK);
    DWORD dwType = 0;
    EXPECT_EQ(tarn::Narrow(Target(L"cpl")), UserValue(L"BezelCameraLaunch", &dwType));
    EXPECT_EQ((DWORD)REG_SZ, dwType);
    ev::ClearCalls();
    ASSERT_TRUE(ev::Deliver(7));
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget " + tarn::Narrow(Target(L"cpl")), ev::kDeadlineMs));

    Open();
    EXPECT_EQ(tarn::Narrow(Target(L"cpl")), Text(Row(2, IDC_ROW_EDIT))) << "the user's value is shown";
    SetWindowTextW(Row(0, IDC_ROW_EDIT), Target(L"try").c_str());
    Click(Row(0, IDC_ROW_TRY));
    EXPECT_TRUE(ev::WaitForCall("LaunchTarget try window", ev::kDeadlineMs));
    EXPECT_EQ(1, ev::CountCalls("LaunchTarget try folder " + tarn::Narrow(tarn::BinDir()))) << "Tarnview's working folder";
    Click(Row(2, IDC_ROW_DEFAULT));
    Close(IDCANCEL);
    EXPECT_EQ("(none)", UserValue(L"SingleClickLaunch"));
    EXPECT_EQ(tarn::Narrow(Target(L"cpl")), UserValue(L"BezelCameraLaunch"));
}

// The administrator's value is shown, read-only, and nothing the page holds is written.
TEST_F(Cpl, PolicyValueIsShownReadOnlyAndCannotBeChanged)
{
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL));
    std::wstring policy = Target(L"policy");
    RegSetValueExW(hKey, L"SingleClickLaunch", 0, REG_SZ, (const BYTE *)policy.c_str(),
                   (DWORD)((policy.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
    Open();
    EXPECT_EQ(tarn::Narrow(policy), Text(Row(0, IDC_ROW_EDIT)));
    EXPECT_TRUE(GetWindowLongW(Row(0, IDC_ROW_EDIT), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(IsWindowEnabled(Row(0, IDC_ROW_DEFAULT)));
    EXPECT_FALSE(IsWindowEnabled(Row(0, IDC_ROW_BROWSE)));
    EXPECT_NE(std::string::npos, Text(Row(0, IDC_ROW_STATUS)).find("administrator"));
    SetWindowTextW(Row(0, IDC_ROW_EDIT), Target(L"user").c_str());
    Close(IDOK);
    EXPECT_EQ("(none)", UserValue(L"SingleClickLaunch"));
}

// A missing program and a line longer than Tarnview reads are refused with
// their reason and nothing written; a value that is no text shows as not set.
TEST_F(Cpl, BadInputIsRefusedAndNothingIsWritten)
{
    DWORD dwNumber = 7;
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, BEZEL_BUTTON_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL));
    RegSetValueExW(hKey, L"DoubleClickLaunch", 0, REG_DWORD, (const BYTE *)&dwNumber, sizeof(dwNumber));
    RegCloseKey(hKey);
    Open();
    EXPECT_EQ("", Text(Row(1, IDC_ROW_EDIT)));
    EXPECT_NE(std::string::npos, Text(Row(1, IDC_ROW_STATUS)).find("Not set"));

    std::wstring tooLong = Target(L"long");
    tooLong.append(LAUNCH_VALUE_MAX_CCH + 1 - tooLong.size(), L'x');
    const struct { std::wstring text; const char *reason; } bad[] = {
        { L"C:\\nowhere\\missing.exe --tag missing", "does not exist" },
        { tooLong, "at most 255 characters" },
    };
    for (const auto &b : bad)
    {
        SetWindowTextW(Row(2, IDC_ROW_EDIT), b.text.c_str());
        // OK pressed on the other page: the sheet turns back to the refused row.
        SendMessageW(m_hSheet, PSM_SETCURSEL, 1, 0);
        Click(GetDlgItem(m_hSheet, IDOK));
        EXPECT_NE(std::string::npos, TakeMessage().find(b.reason)) << b.reason;
        EXPECT_TRUE(IsWindow(m_hSheet)) << "the sheet closed over a bad input";
        EXPECT_EQ(m_hPage, (HWND)SendMessageW(m_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0)) << b.reason;
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof(gti);
        EXPECT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(m_hSheet, NULL), &gti) && gti.hwndFocus == Row(2, IDC_ROW_EDIT))
            << b.reason;
        EXPECT_EQ("(none)", UserValue(L"BezelCameraLaunch"));
    }
    // A program that exists but cannot be started: Try says why.
    CreateDirectoryW(L"C:\\Tarn Bad", NULL);
    HANDLE hBad = CreateFileW(L"C:\\Tarn Bad\\bad.exe", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD cb = 0;
    WriteFile(hBad, "no program", 10, &cb, NULL);
    CloseHandle(hBad);
    SetWindowTextW(Row(0, IDC_ROW_EDIT), L"\"C:\\Tarn Bad\\bad.exe\"");
    Click(Row(0, IDC_ROW_TRY));
    EXPECT_NE(std::string::npos, TakeMessage().find("could not be started"));
    DeleteFileW(L"C:\\Tarn Bad\\bad.exe");
    RemoveDirectoryW(L"C:\\Tarn Bad");
    Close(IDCANCEL);
    DWORD dwType = 0;
    UserValue(L"DoubleClickLaunch", &dwType);
    EXPECT_EQ((DWORD)REG_DWORD, dwType) << "replaced without Apply";
}

}  // namespace
