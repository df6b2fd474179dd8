// The language of the product's texts, chosen once in one place for Tarnview and
// the Control Panel item, and the texts of the calling module in that language.
// Resources are found by that language explicitly: Windows XP, later Windows and
// Wine would each pick another by the thread's locale.
#ifndef TARN_UILANG_H
#define TARN_UILANG_H

#include <windows.h>
#include <stdarg.h>

// Every module's string table starts at id 1: the languages of that block are
// the languages the module has texts in.
#define UI_TEXT_PROBE_ID 1
#define UI_LANGUAGE_FALLBACK MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)

// Of the languages a module has, the one for a user whose interface languages
// are pUser, most wanted first: for the first of them the module has, the same,
// else the same language of another region (Chinese by its script); else English.
LANGID NearestUiLanguage(const LANGID *pUser, int nUser, const LANGID *pHave, int nHave);

// The language of this module's texts for the user: of the languages Windows
// would load resources in (GetUserDefaultUILanguage's alone on XP), the nearest
// the module has. Decided on the first call.
LANGID UiLanguage(void);

// String nId in UiLanguage (in English when that language lacks it); its length,
// 0 when there is none.
int LoadUiText(UINT nId, LPWSTR pszText, int cchText);
// FormatMessage over string nId with the inserts (%1, %2!u!): a translation may
// reorder them.
BOOL FormatUiTextV(LPWSTR pszText, size_t cchText, UINT nId, va_list *pArgs);
BOOL FormatUiText(LPWSTR pszText, size_t cchText, UINT nId, ...);
// A resource such as a dialog template, in UiLanguage or English, and its size;
// NULL if none. It is the module's own, read-only on Windows.
const void *LoadUiResource(LPCWSTR pszType, LPCWSTR pszName, DWORD *pcbSize);
// Windows' own words for an error, in UiLanguage where Windows has that language.
void FormatSystemError(DWORD dwError, LPWSTR pszText, size_t cchText);

#endif
