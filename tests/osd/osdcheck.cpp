// Screen capture, picture loading and pixel comparison for the OSD suites.
#include "osdcheck.h"
#include <gdiplus.h>
#include <oleacc.h>
#include "harness.h"

namespace osd {

Pixels Capture(const RECT &rc)
{
    Pixels p;
    p.cx = rc.right - rc.left;
    p.cy = rc.bottom - rc.top;
    p.data.resize((size_t)p.cx * p.cy);
    HDC hdcScreen = GetDC(NULL);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = p.cx;
    bmi.bmiHeader.biHeight = -p.cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void *pBits = NULL;
    HBITMAP hbm = CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, p.cx, p.cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const DWORD *src = (const DWORD *)pBits;
    for (size_t i = 0; i < p.data.size(); ++i)
        p.data[i] = src[i] & 0xFFFFFF;
    SelectObject(hdcMem, hOld);
    DeleteObject(hbm);
    DeleteDC(hdcMem);
    ReleaseDC(NULL, hdcScreen);
    return p;
}

Pixels LoadPicture(const std::wstring &name)
{
    static ULONG_PTR s_token = 0;
    if (!s_token)
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&s_token, &input, NULL);
    }
    Pixels p;
    Gdiplus::Bitmap *pBitmap = new Gdiplus::Bitmap((tarn::OutDir() + L"\\Resource\\" + name).c_str());
    if (pBitmap->GetLastStatus() == Gdiplus::Ok)
    {
        p.cx = (int)pBitmap->GetWidth();
        p.cy = (int)pBitmap->GetHeight();
        p.data.resize((size_t)p.cx * p.cy);
        for (int y = 0; y < p.cy; ++y)
            for (int x = 0; x < p.cx; ++x)
            {
                Gdiplus::Color c;
                pBitmap->GetPixel(x, y, &c);
                p.data[(size_t)y * p.cx + x] = c.GetValue() & 0xFFFFFF;
            }
    }
    delete pBitmap;
    return p;
}

static BOOL CALLBACK CollectOsd(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[32];
    if (IsWindowVisible(hWnd) && GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"ShowWnd") == 0)
        ((std::vector<HWND> *)lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> VisibleOsdWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectOsd, (LPARAM)&windows);
    return windows;
}

HWND WaitForVisibleOsd(DWORD timeoutMs)
{
    HWND hFound = NULL;
    tarn::WaitUntil([&] {
        std::vector<HWND> windows = VisibleOsdWindows();
        hFound = windows.size() == 1 ? windows[0] : NULL;
        return hFound != NULL;
    }, timeoutMs);
    return hFound;
}

bool WaitForNoOsd(DWORD timeoutMs)
{
    return tarn::WaitUntil([] { return VisibleOsdWindows().empty(); }, timeoutMs);
}

// Inside the rounded rectangle, staying clear of the corner ellipses. A rounded
// region leaves out its right and bottom edge.
static bool InsideRegion(int x, int y, const RECT &r, int corner)
{
    if (x < r.left || y < r.top || x >= r.right - 1 || y >= r.bottom - 1)
        return false;
    bool nearX = x < r.left + corner || x >= r.right - corner;
    bool nearY = y < r.top + corner || y >= r.bottom - corner;
    return !(nearX && nearY);
}

int CountMismatches(const Pixels &screen, const Pixels &back, const Bars &bars, const RECT &region, int corner)
{
    int nBad = 0;
    for (int y = 0; y < screen.cy; ++y)
        for (int x = 0; x < screen.cx; ++x)
        {
            if (!InsideRegion(x, y, region, corner) || x >= back.cx || y >= back.cy)
                continue;
            DWORD expected = back.At(x, y);
            for (int i = 0; i < bars.nCount; ++i)
            {
                int bx = x - (bars.x + bars.pitch * i), by = y - bars.y;
                if (bx >= 0 && by >= 0 && bx < bars.pBar->cx && by < bars.pBar->cy)
                    expected = bars.pBar->At(bx, by);
            }
            nBad += screen.At(x, y) != expected;
        }
    return nBad;
}

static bool BarAt(const Pixels &screen, const Pixels &bar, int x0, int y0)
{
    for (int y = 0; y < bar.cy; ++y)
        for (int x = 0; x < bar.cx; ++x)
            if (x0 + x >= screen.cx || y0 + y >= screen.cy || screen.At(x0 + x, y0 + y) != bar.At(x, y))
                return false;
    return true;
}

int CountBarsShown(const Pixels &screen, const Pixels &bar, int x, int pitch, int y, int nMax)
{
    int n = 0;
    for (int i = 0; i < nMax; ++i)
        n += BarAt(screen, bar, x + pitch * i, y);
    return n;
}

bool Near(DWORD a, DWORD b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

bool SamePixels(const Pixels &a, const Pixels &b, const RECT &rc)
{
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            if (a.At(x, y) != b.At(x, y))
                return false;
    return true;
}

static std::vector<Alert> s_alerts;
static HWINEVENTHOOK s_hAlertHook = NULL;

// Reads the name as a screen reader does: from the object the event names.
static void CALLBACK OnAlert(HWINEVENTHOOK, DWORD, HWND hWnd, LONG idObject, LONG idChild, DWORD, DWORD)
{
    Alert alert = { hWnd, L"", 0 };
    IAccessible *pAcc = NULL;
    VARIANT child;
    if (SUCCEEDED(AccessibleObjectFromEvent(hWnd, idObject, idChild, &pAcc, &child)) && pAcc)
    {
        BSTR name = NULL;
        if (pAcc->get_accName(child, &name) == S_OK && name)
            alert.name = name;
        SysFreeString(name);
        VARIANT role;
        if (pAcc->get_accRole(child, &role) == S_OK && role.vt == VT_I4)
            alert.role = role.lVal;
        VariantClear(&child);
        pAcc->Release();
    }
    s_alerts.push_back(alert);
}

// A reader's thread is in an apartment: the objects come marshalled from Tarnview.
void ListenForAlerts(DWORD pid)
{
    CoInitialize(NULL);
    s_alerts.clear();
    s_hAlertHook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, NULL, OnAlert, pid, 0,
                                   WINEVENT_OUTOFCONTEXT);
}

void StopListening()
{
    if (s_hAlertHook)
        UnhookWinEvent(s_hAlertHook);
    s_hAlertHook = NULL;
    CoUninitialize();
}

const std::vector<Alert> &WaitForAlerts(size_t nCount, DWORD timeoutMs)
{
    tarn::WaitUntil([&] {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return s_alerts.size() >= nCount;
    }, timeoutMs);
    return s_alerts;
}

}  // namespace osd
