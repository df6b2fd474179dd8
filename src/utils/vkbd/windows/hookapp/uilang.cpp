// The language of the product's texts and their loading from this module's
// resources in that language (see uilang.h).
#include <windows.h>
#include <string.h>
#include <wchar.h>
#include "uilang.h"

// winnls.h declares these for Vista and later only; the function is looked up.
#ifndef MUI_LANGUAGE_ID
#define MUI_LANGUAGE_ID 0x4
#define MUI_MERGE_SYSTEM_FALLBACK 0x10
#define MUI_MERGE_USER_FALLBACK 0x20
#endif

#define HAVE_MAX 64
#define TEXT_MAX_CCH 1024

typedef struct LANGUAGES
{
    LANGID langs[HAVE_MAX];
    int nCount;
} LANGUAGES;

static LANGID s_langUi;   // 0 until decided

// Hong Kong and Macao read the traditional script, Singapore the simplified one.
static BOOL IsTraditionalChinese(LANGID lang)
{
    WORD wSub = SUBLANGID(lang);
    return lang == 0x7C04 || wSub == SUBLANG_CHINESE_TRADITIONAL || wSub == SUBLANG_CHINESE_HONGKONG ||
           wSub == SUBLANG_CHINESE_MACAU;
}

static BOOL IsSameLanguage(LANGID langUser, LANGID langHave)
{
    if (PRIMARYLANGID(langUser) != PRIMARYLANGID(langHave))
        return FALSE;
    if (PRIMARYLANGID(langUser) == LANG_CHINESE)
        return IsTraditionalChinese(langUser) == IsTraditionalChinese(langHave);
    return TRUE;
}

// The first of the user's languages the module has, the same or of another region.
LANGID NearestUiLanguage(const LANGID *pUser, int nUser, const LANGID *pHave, int nHave)
{
    for (int u = 0; u < nUser; ++u)
    {
        int nSame = -1;
        for (int i = 0; i < nHave; ++i)
        {
            if (pHave[i] == pUser[u])
                return pUser[u];
            // Of several regions, the language's default one (German of Germany, Portuguese of Brazil).
            if (IsSameLanguage(pUser[u], pHave[i]) && (nSame < 0 || SUBLANGID(pHave[i]) == SUBLANG_DEFAULT))
                nSame = i;
        }
        if (nSame >= 0)
            return pHave[nSame];
    }
    return UI_LANGUAGE_FALLBACK;
}

// From Vista on, the languages in the order the resource loader tries them: a
// language pack's own, then the language it is built on (Catalan, then Spanish),
// then the system's. Windows XP has one, the user's.
static int UserUiLanguages(LANGID *pLangs, int nMax)
{
    typedef BOOL(WINAPI * PREFERRED_FN)(DWORD, PULONG, PWSTR, PULONG);
    PREFERRED_FN pfnPreferred = (PREFERRED_FN)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                                   "GetThreadPreferredUILanguages");
    WCHAR szList[HAVE_MAX * 5 + 1];   // four hex digits and a terminator each, and the list's own
    ULONG nListed = 0, cchList = ARRAYSIZE(szList);
    int nCount = 0;
    if (pfnPreferred && pfnPreferred(MUI_LANGUAGE_ID | MUI_MERGE_USER_FALLBACK | MUI_MERGE_SYSTEM_FALLBACK, &nListed,
                                     szList, &cchList))
    {
        for (const WCHAR *p = szList; *p && nCount < nMax; p += wcslen(p) + 1)
        {
            LANGID lang = (LANGID)wcstoul(p, NULL, 16);
            if (lang)
                pLangs[nCount++] = lang;
        }
    }
    if (nCount == 0)
        pLangs[nCount++] = GetUserDefaultUILanguage();
    return nCount;
}

static HMODULE TextModule(void)
{
    HMODULE hModule = NULL;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCWSTR)(void *)&TextModule, &hModule);
    return hModule;
}

static BOOL CALLBACK AddLanguage(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, WORD wLang, LONG_PTR lParam)
{
    (void)hModule;
    (void)pszType;
    (void)pszName;
    LANGUAGES *pHave = (LANGUAGES *)lParam;
    if (pHave->nCount < HAVE_MAX)
        pHave->langs[pHave->nCount++] = wLang;
    return TRUE;
}

LANGID UiLanguage(void)
{
    if (s_langUi)
        return s_langUi;
    LANGUAGES have;
    have.nCount = 0;
    EnumResourceLanguagesW(TextModule(), (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(UI_TEXT_PROBE_ID / 16 + 1), AddLanguage,
                           (LONG_PTR)&have);
    LANGID user[HAVE_MAX];
    int nUser = UserUiLanguages(user, HAVE_MAX);
    s_langUi = NearestUiLanguage(user, nUser, have.langs, have.nCount);
    return s_langUi;
}

// A resource of this module in that language, and its size; NULL if none.
static const void *ResourceIn(HMODULE hModule, LPCWSTR pszType, LPCWSTR pszName, LANGID lang, DWORD *pcbSize)
{
    HRSRC hRes = FindResourceExW(hModule, pszType, pszName, lang);
    HGLOBAL hData = hRes ? LoadResource(hModule, hRes) : NULL;
    const void *pData = hData ? LockResource(hData) : NULL;
    *pcbSize = pData ? SizeofResource(hModule, hRes) : 0;
    return pData;
}

// A block of the string table holds 16 counted strings, without terminators.
static int LoadTextIn(HMODULE hModule, LANGID lang, UINT nId, LPWSTR pszText, int cchText)
{
    DWORD cbBlock;
    const WCHAR *p = (const WCHAR *)ResourceIn(hModule, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(nId / 16 + 1), lang, &cbBlock);
    if (!p)
        return 0;
    const WCHAR *pEnd = p + cbBlock / sizeof(WCHAR);
    for (UINT i = 0; i < nId % 16 && p < pEnd; ++i)
        p += 1 + *p;
    if (p >= pEnd || *p == 0 || p + 1 + *p > pEnd)
        return 0;
    int cchCopy = *p < cchText ? *p : cchText - 1;
    memcpy(pszText, p + 1, cchCopy * sizeof(WCHAR));
    pszText[cchCopy] = L'\0';
    return cchCopy;
}

int LoadUiText(UINT nId, LPWSTR pszText, int cchText)
{
    if (cchText <= 0)
        return 0;
    pszText[0] = L'\0';
    HMODULE hModule = TextModule();
    int cch = LoadTextIn(hModule, UiLanguage(), nId, pszText, cchText);
    return cch ? cch : LoadTextIn(hModule, UI_LANGUAGE_FALLBACK, nId, pszText, cchText);
}

BOOL FormatUiTextV(LPWSTR pszText, size_t cchText, UINT nId, va_list *pArgs)
{
    WCHAR szFormat[TEXT_MAX_CCH];
    if (cchText == 0)
        return FALSE;
    pszText[0] = L'\0';
    if (LoadUiText(nId, szFormat, TEXT_MAX_CCH) <= 0)
        return FALSE;
    return FormatMessageW(FORMAT_MESSAGE_FROM_STRING, szFormat, 0, 0, pszText, (DWORD)cchText, pArgs) != 0;
}

BOOL FormatUiText(LPWSTR pszText, size_t cchText, UINT nId, ...)
{
    va_list args;
    va_start(args, nId);
    BOOL bDone = FormatUiTextV(pszText, cchText, nId, &args);
    va_end(args);
    return bDone;
}

const void *LoadUiResource(LPCWSTR pszType, LPCWSTR pszName, DWORD *pcbSize)
{
    HMODULE hModule = TextModule();
    DWORD cbSize;
    const void *pData = ResourceIn(hModule, pszType, pszName, UiLanguage(), &cbSize);
    if (!pData)
        pData = ResourceIn(hModule, pszType, pszName, UI_LANGUAGE_FALLBACK, &cbSize);
    if (pcbSize)
        *pcbSize = cbSize;
    return pData;
}

void FormatSystemError(DWORD dwError, LPWSTR pszText, size_t cchText)
{
    const DWORD dwFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (cchText == 0)
        return;
    if (!FormatMessageW(dwFlags, NULL, dwError, UiLanguage(), pszText, (DWORD)cchText, NULL) &&
        !FormatMessageW(dwFlags, NULL, dwError, 0, pszText, (DWORD)cchText, NULL))
        _snwprintf(pszText, cchText, L"%lu", dwError);
    pszText[cchText - 1] = L'\0';
}
