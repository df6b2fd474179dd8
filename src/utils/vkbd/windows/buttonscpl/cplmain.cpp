// TarnButtons.cpl: the Control Panel entry point and the property sheet. Runs on
// the thread of control.exe (or Explorer) that calls CPlApplet.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include "buttonscpl.h"
#include "resource.h"
#include "uilang.h"

typedef BOOL(WINAPI *INITCOMMONCONTROLSEX_FN)(const INITCOMMONCONTROLSEX *);
typedef INT_PTR(WINAPI *PROPERTYSHEETW_FN)(LPCPROPSHEETHEADERW);

HINSTANCE g_hInstance;

// Control Panel activates manifest 123 of an item on its own, but not every host
// does: activated here, and comctl32 loaded inside it, the sheet has common
// controls 6 (themes) whoever loaded the item.
static HANDLE ActivateItemManifest(ULONG_PTR *pCookie)
{
    WCHAR szPath[MAX_PATH];
    if (!GetModuleFileNameW(g_hInstance, szPath, MAX_PATH))
        return INVALID_HANDLE_VALUE;
    ACTCTXW actctx;
    ZeroMemory(&actctx, sizeof(actctx));
    actctx.cbSize = sizeof(actctx);
    actctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    actctx.lpSource = szPath;
    actctx.hModule = g_hInstance;
    actctx.lpResourceName = MAKEINTRESOURCEW(IDR_CPL_MANIFEST);
    HANDLE hActCtx = CreateActCtxW(&actctx);
    if (hActCtx != INVALID_HANDLE_VALUE && !ActivateActCtx(hActCtx, pCookie))
    {
        ReleaseActCtx(hActCtx);
        hActCtx = INVALID_HANDLE_VALUE;
    }
    return hActCtx;
}

#define TITLE_CCH 128

// The page's template and title in the user's language: comctl32 would load them
// by the thread's language. The template is a copy: some versions of comctl32
// write into an indirect template, and a module's resources are read-only.
static void InitPage(PROPSHEETPAGEW *pPage, UINT idDialog, LPCWSTR pszTitle, DLGPROC pfnProc)
{
    ZeroMemory(pPage, sizeof(*pPage));
    pPage->dwSize = sizeof(*pPage);
    pPage->dwFlags = PSP_USETITLE | PSP_DLGINDIRECT;
    pPage->hInstance = g_hInstance;
    DWORD cbTemplate = 0;
    const void *pTemplate = LoadUiResource((LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(idDialog), &cbTemplate);
    void *pCopy = pTemplate ? HeapAlloc(GetProcessHeap(), 0, cbTemplate) : NULL;
    if (pCopy)
        CopyMemory(pCopy, pTemplate, cbTemplate);
    pPage->pResource = (LPCDLGTEMPLATEW)pCopy;
    pPage->pszTitle = pszTitle;
    pPage->pfnDlgProc = pfnProc;
}

static void ShowSheet(HWND hParent, PROPERTYSHEETW_FN pfnSheet, LPCWSTR pszCaption, PROPSHEETPAGEW *pPages, UINT nPages)
{
    PROPSHEETHEADERW header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | PSH_USEICONID;
    header.hwndParent = hParent;
    header.hInstance = g_hInstance;
    header.pszIcon = MAKEINTRESOURCEW(IDI_BUTTONS);
    header.pszCaption = pszCaption;
    header.nPages = nPages;
    header.ppsp = pPages;
    pfnSheet(&header);
}

static void RunSheet(HWND hParent, HMODULE hComctl)
{
    INITCOMMONCONTROLSEX_FN pfnInit = (INITCOMMONCONTROLSEX_FN)(void *)GetProcAddress(hComctl, "InitCommonControlsEx");
    PROPERTYSHEETW_FN pfnSheet = (PROPERTYSHEETW_FN)(void *)GetProcAddress(hComctl, "PropertySheetW");
    if (!pfnInit || !pfnSheet)
        return;
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES };
    pfnInit(&icc);
    WCHAR szCaption[TITLE_CCH], szButtons[TITLE_CCH], szIndicator[TITLE_CCH];
    LoadUiText(IDS_CPL_NAME, szCaption, TITLE_CCH);
    LoadUiText(IDS_PAGE_BUTTONS, szButtons, TITLE_CCH);
    LoadUiText(IDS_PAGE_INDICATOR, szIndicator, TITLE_CCH);
    PROPSHEETPAGEW pages[2];
    InitPage(&pages[0], IDD_BUTTONS, szButtons, ButtonsPageProc);
    InitPage(&pages[1], IDD_INDICATOR, szIndicator, IndicatorPageProc);
    if (pages[0].pResource && pages[1].pResource)
        ShowSheet(hParent, pfnSheet, szCaption, pages, 2);
    for (const PROPSHEETPAGEW &page : pages)
        if (page.pResource)
            HeapFree(GetProcessHeap(), 0, (void *)page.pResource);
}

void ShowButtonsSheet(HWND hParent)
{
    ULONG_PTR ulCookie = 0;
    HANDLE hActCtx = ActivateItemManifest(&ulCookie);
    HMODULE hComctl = LoadLibraryW(L"comctl32.dll");
    if (hComctl)
    {
        RunSheet(hParent, hComctl);
        FreeLibrary(hComctl);
    }
    if (hActCtx != INVALID_HANDLE_VALUE)
    {
        DeactivateActCtx(0, ulCookie);
        ReleaseActCtx(hActCtx);
    }
}

// The name and description are given as text in the user's language
// (CPL_NEWINQUIRE): Control Panel would load them by id in its thread's language,
// and keep them from one session to the next.
static void InquireItem(CPLINFO *pInfo)
{
    pInfo->idIcon = IDI_BUTTONS;
    pInfo->idName = CPL_DYNAMIC_RES;
    pInfo->idInfo = CPL_DYNAMIC_RES;
    pInfo->lData = 0;
}

static void NewInquireItem(NEWCPLINFOW *pInfo)
{
    ZeroMemory(pInfo, sizeof(*pInfo));
    pInfo->dwSize = sizeof(*pInfo);
    pInfo->hIcon = LoadIconW(g_hInstance, MAKEINTRESOURCEW(IDI_BUTTONS));
    LoadUiText(IDS_CPL_NAME, pInfo->szName, ARRAYSIZE(pInfo->szName));
    LoadUiText(IDS_CPL_INFO, pInfo->szInfo, ARRAYSIZE(pInfo->szInfo));
}

extern "C" LONG CALLBACK CPlApplet(HWND hwndCpl, UINT uMsg, LPARAM lParam1, LPARAM lParam2)
{
    (void)lParam1;
    switch (uMsg)
    {
    case CPL_INIT: return TRUE;
    case CPL_GETCOUNT: return 1;
    case CPL_INQUIRE: InquireItem((CPLINFO *)lParam2); return 0;
    case CPL_NEWINQUIRE: NewInquireItem((NEWCPLINFOW *)lParam2); return 0;
    case CPL_DBLCLK: ShowButtonsSheet(hwndCpl); return 0;
    case CPL_STARTWPARMSW: ShowButtonsSheet(hwndCpl); return TRUE;
    default: return 0;
    }
}

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        g_hInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}
