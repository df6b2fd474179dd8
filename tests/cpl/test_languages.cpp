// Every language the item and Tarnview carry, read from the built binaries: each
// has every English text with the same inserts and accelerators, the item's pages
// with the same controls, and no text wider than its control, measured in the
// font Windows shows that language in.
#include <windows.h>
#include <cpl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include "harness.h"
#include "resource.h"

namespace {

typedef std::map<UINT, std::wstring> Texts;
typedef LONG(CALLBACK *CPLAPPLET_FN)(HWND, UINT, LPARAM, LPARAM);

const LANGID kEnglish = 0x0409;

// The languages shipped, and the face Windows gives their dialogs' "MS Shell Dlg"
// (the test prefix maps the East Asian ones to installed fonts with their glyphs).
const struct { LANGID lang; const wchar_t *face; } kLanguages[] = {
    { 0x0409, NULL }, { 0x0407, NULL }, { 0x040C, NULL }, { 0x0C0A, NULL }, { 0x0410, NULL }, { 0x0416, NULL },
    { 0x0419, NULL }, { 0x0411, L"MS UI Gothic" }, { 0x0412, L"Gulim" }, { 0x0804, L"SimSun" },
    { 0x0404, L"PMingLiU" },
};

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD wLang, LONG_PTR lParam)
{
    ((std::set<LANGID> *)lParam)->insert(wLang);
    return TRUE;
}

BOOL CALLBACK AddBlock(HMODULE, LPCWSTR, LPWSTR pszName, LONG_PTR lParam)
{
    ((std::vector<UINT> *)lParam)->push_back((UINT)(ULONG_PTR)pszName);
    return TRUE;
}

std::set<LANGID> Languages(HMODULE hModule)
{
    std::set<LANGID> langs;
    EnumResourceLanguagesW(hModule, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(1), AddLanguage, (LONG_PTR)&langs);
    return langs;
}

// The whole string table of one language.
Texts TextsOf(HMODULE hModule, LANGID lang)
{
    Texts texts;
    std::vector<UINT> blocks;
    EnumResourceNamesW(hModule, (LPCWSTR)RT_STRING, AddBlock, (LONG_PTR)&blocks);
    for (UINT block : blocks)
    {
        HRSRC hRes = FindResourceExW(hModule, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(block), lang);
        const WCHAR *p = hRes ? (const WCHAR *)LockResource(LoadResource(hModule, hRes)) : NULL;
        for (UINT i = 0; p && i < 16; p += 1 + *p, ++i)
            if (*p)
                texts[(block - 1) * 16 + i] = std::wstring(p + 1, *p);
    }
    return texts;
}

// FormatMessage's inserts, in any order, and the accelerators.
std::string InsertsOf(const std::wstring &text)
{
    static const std::wregex insert(L"%[0-9]+(![^!]*!)?|%%");
    std::vector<std::string> found;
    for (std::wsregex_iterator it(text.begin(), text.end(), insert), end; it != end; ++it)
        found.push_back(tarn::Narrow(it->str()));
    std::sort(found.begin(), found.end());
    std::string all;
    for (const std::string &s : found)
        all += s + " ";
    size_t cAmp = 0;
    for (size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 2))
        cAmp += at + 1 < text.size() && text[at + 1] != L'&';
    return all + "&x" + std::to_string(cAmp);
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Control { int id; std::wstring cls; RECT rc; LONG style; };

std::vector<Control> ControlsOf(HWND hDlg)
{
    std::vector<Control> controls;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        Control c = { GetDlgCtrlID(h), L"", {}, GetWindowLongW(h, GWL_STYLE) };
        wchar_t szClass[64];
        GetClassNameW(h, szClass, 64);
        c.cls = szClass;
        GetWindowRect(h, &c.rc);
        MapWindowPoints(NULL, hDlg, (POINT *)&c.rc, 2);
        controls.push_back(c);
    }
    return controls;
}

// The item's page in one language, as its template makes it.
HWND CreatePage(HMODULE hModule, HWND hParent, UINT idDialog, LANGID lang)
{
    HRSRC hRes = FindResourceExW(hModule, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(idDialog), lang);
    if (!hRes)
        return NULL;
    return CreateDialogIndirectParamW(hModule, (LPCDLGTEMPLATEW)LockResource(LoadResource(hModule, hRes)), hParent,
                                      NoDialogProc, 0);
}

// What else a control shows than the text of its id: lines set by state, list items.
struct Shown { int ctrl; UINT text; const wchar_t *insert; };
const Shown kShown[] = {
    { IDC_TARNVIEW_STATE, IDS_RUNNING, NULL }, { IDC_TARNVIEW_STATE, IDS_NOT_RUNNING, NULL },
    { IDC_TARNVIEW_VERSION, IDS_VERSION, L"1.0.0" }, { IDC_TARNVIEW_VERSION, IDS_VERSION_UNKNOWN, NULL },
    { IDC_PLATFORM_STATE, IDS_PLATFORM_FOUND, NULL },
    { IDC_PLATFORM_STATE, IDS_PLATFORM_MISSING, L"OrxCore.dll OrxVKbd.dll OrxPM.dll" },
    { IDC_ROW(0, IDC_ROW_STATUS), IDS_POLICY_VALUE, NULL },
    { IDC_OSD_MONITOR, IDS_MONITOR_IN_USE, NULL }, { IDC_OSD_MONITOR, IDS_MONITOR_PRIMARY, NULL },
    { IDC_OSD_MONITOR, IDS_MONITOR_POINTER, NULL },
    { IDC_OSD_PLACE, IDS_PLACE_FIRST + 0, NULL }, { IDC_OSD_PLACE, IDS_PLACE_FIRST + 1, NULL },
    { IDC_OSD_PLACE, IDS_PLACE_FIRST + 2, NULL }, { IDC_OSD_PLACE, IDS_PLACE_FIRST + 3, NULL },
    { IDC_OSD_PLACE, IDS_PLACE_FIRST + 4, NULL }, { IDC_OSD_PLACE, IDS_PLACE_FIRST + 5, NULL },
    { IDC_OSD_PLACE, IDS_PLACE_FIRST + 6, NULL }, { IDC_OSD_SECONDS, IDS_SECONDS, L"10" },
    { IDC_OSD_SIZE, IDS_PERCENT, L"200" },
};

std::wstring Formatted(const std::wstring &pattern, const wchar_t *insert)
{
    if (!insert)
        return pattern;
    DWORD_PTR args[] = { (DWORD_PTR)insert, (DWORD_PTR)_wtoi(insert) };
    const bool bNumber = pattern.find(L"!u!") != std::wstring::npos;
    wchar_t sz[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, pattern.c_str(), 0, 0, sz, 512,
                   (va_list *)(bNumber ? args + 1 : args));
    return sz;
}

// The room a control leaves its text: a box or a list's arrow, a button's edges.
int TextRoom(const Control &c)
{
    int cx = c.rc.right - c.rc.left;
    if (c.cls == L"ComboBox")
        return cx - GetSystemMetrics(SM_CXVSCROLL) - 6;
    if (c.cls == L"Button" && (c.style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
        return cx - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    if (c.cls == L"Button")
        return cx - 8;
    return cx;
}

// Over-long texts of one control, with the glyphs its font lacks.
std::string Misfit(HDC hdc, const Control &c, const std::wstring &text)
{
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(hdc, text.c_str(), (int)text.size(), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    for (size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF && text[i] >= L' ' && text[i] != L'&')
            return "no glyph for U+" + std::to_string((int)text[i]) + " in \"" + tarn::Narrow(text) + "\"";
    // A control holds as many lines as its height has room for, rounded: dialog
    // units and the font's height round apart.
    TEXTMETRICW tm;
    GetTextMetricsW(hdc, &tm);
    const int cxRoom = TextRoom(c), cLines = std::max(1L, (c.rc.bottom - c.rc.top + tm.tmHeight / 2) / tm.tmHeight);
    const bool bWrap = c.cls == L"Static" && cLines > 1;
    RECT rc = { 0, 0, bWrap ? cxRoom : 10000, 0 };
    UINT uFormat = DT_CALCRECT | (bWrap ? DT_WORDBREAK : DT_SINGLELINE) |
                   (c.cls == L"Static" && (c.style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    DrawTextW(hdc, text.c_str(), -1, &rc, uFormat);
    if (rc.right > cxRoom || rc.bottom / tm.tmHeight > cLines)
        return "\"" + tarn::Narrow(text) + "\" takes " + std::to_string(rc.right) + " x " + std::to_string(rc.bottom) +
               ", control " + std::to_string(c.id) + " leaves " + std::to_string(cxRoom) + " x " +
               std::to_string(cLines) + " lines";
    return "";
}

// The item's texts all take the control of their id (a button row's, the first row's).
UINT TextIdOf(int nCtrl)
{
    if (nCtrl >= IDC_ROW_FIRST && nCtrl < IDC_ROW(3, 0) && (nCtrl - IDC_ROW_FIRST) % IDC_ROW_STEP != IDC_ROW_LABEL)
        return IDC_ROW_FIRST + (nCtrl - IDC_ROW_FIRST) % IDC_ROW_STEP;
    return (UINT)nCtrl;
}

// Every text of one page in one language that does not fit its control.
std::vector<std::string> MisfitsOf(HWND hPage, const Texts &texts, const wchar_t *face)
{
    std::vector<std::string> misfits;
    HDC hdc = GetDC(hPage);
    LOGFONTW lf;
    GetObjectW((HFONT)SendMessageW(hPage, WM_GETFONT, 0, 0), sizeof(lf), &lf);
    if (face)
    {
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    HFONT hFont = CreateFontIndirectW(&lf), hOld = (HFONT)SelectObject(hdc, hFont);
    for (const Control &c : ControlsOf(hPage))
    {
        std::vector<std::wstring> shown;
        auto own = texts.find(TextIdOf(c.id));
        if (own != texts.end())
            shown.push_back(own->second);
        for (const Shown &s : kShown)
            if (s.ctrl == c.id && texts.count(s.text))
                shown.push_back(Formatted(texts.at(s.text), s.insert));
        for (const std::wstring &text : shown)
        {
            std::string misfit = Misfit(hdc, c, text);
            if (!misfit.empty())
                misfits.push_back(misfit);
        }
    }
    SelectObject(hdc, hOld);
    DeleteObject(hFont);
    ReleaseDC(hPage, hdc);
    return misfits;
}

TEST(Languages, EveryLanguageHasEveryTextAndFitsTheItemsPages)
{
    HMODULE hItem = LoadLibraryW((tarn::BinDir() + L"\\TarnButtons.cpl").c_str());
    HMODULE hView = LoadLibraryExW((tarn::BinDir() + L"\\Tarnview.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(hItem && hView);
    std::set<LANGID> shipped;
    for (const auto &l : kLanguages)
        shipped.insert(l.lang);
    EXPECT_EQ(shipped, Languages(hItem)) << "the item's languages";
    EXPECT_EQ(shipped, Languages(hView)) << "Tarnview's languages";

    HWND hParent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 800, 800, NULL, NULL, NULL, NULL);
    const Texts itemEnglish = TextsOf(hItem, kEnglish), viewEnglish = TextsOf(hView, kEnglish);
    std::vector<Control> englishPages[2];
    for (const auto &l : kLanguages)
    {
        SCOPED_TRACE("language " + std::to_string(l.lang));
        const Texts item = TextsOf(hItem, l.lang), view = TextsOf(hView, l.lang);
        // What Control Panel takes of the name and description (NEWCPLINFOW).
        EXPECT_LT(item.count(IDS_CPL_NAME) ? item.at(IDS_CPL_NAME).size() : 99, 32u);
        EXPECT_LT(item.count(IDS_CPL_INFO) ? item.at(IDS_CPL_INFO).size() : 99, 64u);
        for (const auto *pair : { &itemEnglish, &viewEnglish })
        {
            const Texts &texts = pair == &itemEnglish ? item : view;
            EXPECT_EQ(pair->size(), texts.size());
            for (const auto &e : *pair)
            {
                auto t = texts.find(e.first);
                ASSERT_TRUE(t != texts.end()) << "no text " << e.first;
                EXPECT_EQ(InsertsOf(e.second), InsertsOf(t->second)) << "text " << e.first << ": " << tarn::Narrow(t->second);
            }
        }
        const UINT pages[] = { IDD_BUTTONS, IDD_INDICATOR };
        for (int i = 0; i < 2; ++i)
        {
            HWND hPage = CreatePage(hItem, hParent, pages[i], l.lang);
            ASSERT_NE(nullptr, hPage) << "no page " << pages[i];
            std::vector<Control> controls = ControlsOf(hPage);
            if (l.lang == kEnglish)
                englishPages[i] = controls;
            ASSERT_EQ(englishPages[i].size(), controls.size()) << "page " << pages[i];
            for (size_t c = 0; c < controls.size(); ++c)
                EXPECT_TRUE(controls[c].id == englishPages[i][c].id && controls[c].cls == englishPages[i][c].cls &&
                            EqualRect(&controls[c].rc, &englishPages[i][c].rc))
                    << "page " << pages[i] << " control " << controls[c].id;
            for (const std::string &misfit : MisfitsOf(hPage, item, l.face))
                ADD_FAILURE() << misfit;
            DestroyWindow(hPage);
        }
    }
    DestroyWindow(hParent);

    // Control Panel is given the name as text, in the user's language, not by id.
    CPLAPPLET_FN pfnApplet = (CPLAPPLET_FN)(void *)GetProcAddress(hItem, "CPlApplet");
    CPLINFO info = {};
    NEWCPLINFOW newInfo = {};
    pfnApplet(NULL, CPL_INIT, 0, 0);
    pfnApplet(NULL, CPL_INQUIRE, 0, (LPARAM)&info);
    pfnApplet(NULL, CPL_NEWINQUIRE, 0, (LPARAM)&newInfo);
    EXPECT_EQ(CPL_DYNAMIC_RES, info.idName);
    EXPECT_EQ(sizeof(newInfo), newInfo.dwSize);
    EXPECT_EQ(tarn::Narrow(itemEnglish.at(IDS_CPL_NAME)), tarn::Narrow(newInfo.szName));
    EXPECT_EQ(tarn::Narrow(itemEnglish.at(IDS_CPL_INFO)), tarn::Narrow(newInfo.szInfo));
    FreeLibrary(hView);
    FreeLibrary(hItem);
}

}  // namespace
