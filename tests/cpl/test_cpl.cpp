// TarnButtons.cpl opened with control.exe and driven as a user would: text in
// its fields, its buttons clicked; the registry and the real Tarnview checked.
#include <windows.h>
#include <algorithm>
#include <commctrl.h>
#include <gtest/gtest.h>
#include "eventcheck.h"
#include "launchcfg.h"
#include "osdcheck.h"
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

    void Open(const wchar_t *caption = L"Tarn Buttons")
    {
        // Started elsewhere than Tarnview's folder, as Control Panel is.
        m_hControl = tarn::StartProgram(L"C:\\windows\\system32\\control.exe",
                                        L"\"" + tarn::BinDir() + L"\\TarnButtons.cpl\"", tarn::TestsDir());
        ASSERT_NE(nullptr, m_hControl);
        ASSERT_TRUE(tarn::WaitUntil([&] {
            m_hSheet = FindWindowW(L"#32770", caption);
            return m_hSheet && IsWindowVisible(m_hSheet);
        }, ev::kDeadlineMs));
        m_hPage = (HWND)SendMessageW(m_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        ASSERT_NE(nullptr, m_hPage);
    }
    HWND Row(int nRow, int nOffset) { return GetDlgItem(m_hPage, IDC_ROW(nRow, nOffset)); }
    // The sheet turned to the Indicator page, once the sheet takes the turn.
    HWND IndicatorPage()
    {
        HWND hPage = NULL;
        tarn::WaitUntil([&] {
            SendMessageW(m_hSheet, PSM_SETCURSEL, 1, 0);
            hPage = (HWND)SendMessageW(m_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0);
            return hPage && GetDlgItem(hPage, IDC_OSD_PLACE);
        }, ev::kDeadlineMs);
        return hPage;
    }
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
        // The focus returns once the message box has gone.
        EXPECT_TRUE(tarn::WaitUntil([&] {
            GUITHREADINFO gti = {};
            gti.cbSize = sizeof(gti);
            return GetGUIThreadInfo(GetWindowThreadProcessId(m_hSheet, NULL), &gti) && gti.hwndFocus == Row(2, IDC_ROW_EDIT);
        }, ev::kDeadlineMs)) << b.reason;
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

// The item speaks the language of the user who opens it (this test's own, set
// for its runs in other languages), English for one it does not have; its
// messages too.
TEST_F(Cpl, PagesAndMessagesInTheUsersLanguage)
{
    const struct { LANGID lang; const wchar_t *caption, *browse, *status, *place, *missing; } langs[] = {
        { 0x0409, L"Tarn Buttons", L"Browse…", L"Default: nothing", L"&Place:", L"does not exist" },
        { 0x0407, L"Tarn-Tasten", L"Durchsuchen…", L"Standard: nichts", L"&Position:", L"ist nicht vorhanden" },
        { 0x0411, L"Tarn ボタン", L"参照…", L"既定値: なし", L"位置(&P):", L"プログラムが存在しません" },
        { 0x0413, L"Tarn Buttons", L"Browse…", L"Default: nothing", L"&Place:", L"does not exist" },
    };
    auto l = std::find_if(std::begin(langs), std::end(langs), [](const auto &e) { return e.lang == GetUserDefaultUILanguage(); });
    ASSERT_NE(std::end(langs), l) << "a run in language " << GetUserDefaultUILanguage() << ", which this table lacks";
    Open(l->caption);
    EXPECT_EQ(tarn::Narrow(l->browse), Text(Row(0, IDC_ROW_BROWSE)));
    EXPECT_EQ(tarn::Narrow(l->status), Text(Row(1, IDC_ROW_STATUS)));
    SetWindowTextW(Row(1, IDC_ROW_EDIT), L"C:\\nowhere\\missing.exe");
    Click(GetDlgItem(m_hSheet, IDOK));
    EXPECT_NE(std::string::npos, TakeMessage().find(tarn::Narrow(l->missing)));
    EXPECT_EQ(tarn::Narrow(l->place), Text(GetDlgItem(IndicatorPage(), IDC_OSD_PLACE_LABEL)));
    Close(IDCANCEL);
}

DWORD IndicatorSetting(HKEY hRoot, const wchar_t *pszKey, const wchar_t *pszName)
{
    DWORD dw = 99, cb = sizeof(dw);
    RegGetValueW(hRoot, pszKey, pszName, RRF_RT_REG_DWORD, NULL, &dw, &cb);
    return dw;
}

// Picks the item of a list whose data is the value, as a click would.
void Choose(HWND hPage, int nId, LPARAM lData)
{
    HWND hCombo = GetDlgItem(hPage, nId);
    int nCount = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < nCount; ++i)
        if (SendMessageW(hCombo, CB_GETITEMDATA, i, 0) == lData)
            SendMessageW(hCombo, CB_SETCURSEL, i, 0);
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(nId, CBN_SELCHANGE), (LPARAM)hCombo);
}

// Every setting of the Indicator page written by OK, none by Cancel; a sample
// shows the page's values before they are applied; a policy's setting is shown
// read-only and never written over.
TEST_F(Cpl, IndicatorSettingsAreWrittenShownAsSampleAndThePolicyWins)
{
    const wchar_t kKey[] = L"SOFTWARE\\Halvern\\Tarn\\Indicator";
    const wchar_t kPolicy[] = L"SOFTWARE\\Policies\\Halvern\\Tarn\\Indicator";
    Open();
    HWND hPage = IndicatorPage();
    Choose(hPage, IDC_OSD_PLACE, 3);
    Click(GetDlgItem(hPage, IDC_SHOW_SAMPLE));
    HWND hOsd = osd::WaitForVisibleOsd(ev::kDeadlineMs);
    RECT rc = {};
    ASSERT_NE(nullptr, hOsd);
    GetWindowRect(hOsd, &rc);
    EXPECT_EQ(11, rc.left) << "the sample at the page's place, top left";
    EXPECT_EQ(45, rc.top);
    Close(IDCANCEL);
    EXPECT_EQ(99u, IndicatorSetting(HKEY_CURRENT_USER, kKey, L"Place")) << "Cancel writes nothing";

    const struct { int id; LPARAM data; const wchar_t *name; DWORD stored; } lists[] = {
        { IDC_OSD_MONITOR, 2, L"Monitor", 2 }, { IDC_OSD_PLACE, 6, L"Place", 6 },
        { IDC_OSD_SECONDS, 8, L"Seconds", 8 }, { IDC_OSD_SIZE, 150, L"Size", 150 },
        { IDC_OSD_OPACITY, 60, L"Opacity", 60 },
    };
    const wchar_t *const groups[] = { L"LockKeys", L"Volume", L"Brightness", L"Radios", L"DisplayMode", L"Refused" };
    Open();
    hPage = IndicatorPage();
    for (const auto &l : lists)
        Choose(hPage, l.id, l.data);
    for (int i = 0; i < 6; ++i)
        SendMessageW(GetDlgItem(hPage, IDC_OSD_SHOW_FIRST + i), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(hPage, IDC_OSD_FULL_SCREEN), BM_CLICK, 0, 0);
    Close(IDOK);
    for (const auto &l : lists)
        EXPECT_EQ(l.stored, IndicatorSetting(HKEY_CURRENT_USER, kKey, l.name)) << tarn::Narrow(l.name);
    for (const wchar_t *pszGroup : groups)
        EXPECT_EQ(0u, IndicatorSetting(HKEY_CURRENT_USER, kKey, pszGroup)) << tarn::Narrow(pszGroup);
    EXPECT_EQ(0u, IndicatorSetting(HKEY_CURRENT_USER, kKey, L"OverFullScreen"));

    HKEY hKey;
    DWORD dwSeconds = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicy, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL));
    RegSetValueExW(hKey, L"Seconds", 0, REG_DWORD, (const BYTE *)&dwSeconds, sizeof(dwSeconds));
    RegCloseKey(hKey);
    Open();
    hPage = IndicatorPage();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hPage, IDC_OSD_SECONDS)));
    EXPECT_EQ("7 s", Text(GetDlgItem(hPage, IDC_OSD_SECONDS)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(hPage, IDC_OSD_POLICY_NOTE)));
    EXPECT_NE(std::string::npos, Text(GetDlgItem(hPage, IDC_OSD_POLICY_NOTE)).find("administrator"));
    Choose(hPage, IDC_OSD_PLACE, 1);
    Close(IDOK);
    EXPECT_EQ(1u, IndicatorSetting(HKEY_CURRENT_USER, kKey, L"Place"));
    EXPECT_EQ(8u, IndicatorSetting(HKEY_CURRENT_USER, kKey, L"Seconds")) << "the user's own stays";
    tarn::ClearIndicatorSettings();
}

}  // namespace
