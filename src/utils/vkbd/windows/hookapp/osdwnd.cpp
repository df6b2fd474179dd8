// The three OSD windows of class "ShowWnd": their creation, DPI and size scaling,
// the double-buffered paint, the display orientation, and a shown window kept on
// a monitor when the monitors change. Main thread; the OSD thread scales too.
#include <windows.h>
#include <gdiplus.h>
#include <strsafe.h>
#include "Tarnwatch.h"
#include "osdsettings.h"
#include "tarnview.h"

// Bar pictures: first x, pitch and y, in 96-dpi units.
#define VOLUME_BAR_X 41
#define VOLUME_BAR_PITCH 14
#define VOLUME_BAR_Y 12
#define BRIGHTNESS_BAR_X 46
#define BRIGHTNESS_BAR_PITCH 27
#define BRIGHTNESS_BAR_Y 11

#define PLACE_CHECK_TIMER 1
#define PLACE_CHECK_MS 250   // the monitors are asked once the change has settled

bool g_bDpiRead = false;
int g_nDpiX = 96;
int g_nDpiY = 96;
volatile LONG g_nOsdSize = 100;   // percent, on top of the DPI: the user's indicator size
HWND g_hIconWnd = NULL;
HWND g_hModeWnd = NULL;
HWND g_hBarWnd = NULL;
volatile LONG g_nDisplayOrientation = 0;   // 0..3, read by the hardware-event dispatcher

// Read once per process; without a screen context both stay 96.
static void ReadDpi(void)
{
    if (g_bDpiRead)
        return;
    HDC hdc = GetDC(NULL);
    if (hdc)
    {
        g_nDpiX = GetDeviceCaps(hdc, LOGPIXELSX);
        g_nDpiY = GetDeviceCaps(hdc, LOGPIXELSY);
        ReleaseDC(NULL, hdc);
    }
    g_bDpiRead = true;
}

int ScaleX(int n)
{
    ReadDpi();
    return MulDiv(n, g_nDpiX * g_nOsdSize, 96 * 100);
}

int ScaleY(int n)
{
    ReadDpi();
    return MulDiv(n, g_nDpiY * g_nOsdSize, 96 * 100);
}

static BOOL QueryDisplayMode(DEVMODEW *pdm)
{
    ZeroMemory(pdm, sizeof(*pdm));
    pdm->dmSize = sizeof(*pdm);
    return EnumDisplaySettingsW(NULL, ENUM_CURRENT_SETTINGS, pdm);
}

ATOM RegisterShowWndClass(HINSTANCE hInstance)
{
    WNDCLASSEXW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = ShowWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = L"ShowWnd";
    return RegisterClassExW(&wc);
}

// Placed on the primary monitor, hidden; each appearance places its window anew.
void CreateOsdWindows(HINSTANCE hInstance)
{
    RegisterShowWndClass(hInstance);
    POINT ptOrigin = { 0, 0 };
    MONITORINFO mi;
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(MonitorFromPoint(ptOrigin, MONITOR_DEFAULTTOPRIMARY), &mi))
        SetRect(&mi.rcMonitor, 0, 0, 800, 600);
    HWND *const phWnds[] = { &g_hIconWnd, &g_hModeWnd, &g_hBarWnd };
    for (HWND *phWnd : phWnds)
    {
        HWND hWnd = CreateWindowExW(0, L"ShowWnd", NULL, WS_POPUP, 0, 0, 0, 0, NULL, NULL, hInstance, NULL);
        *phWnd = hWnd;
        PlaceOsdWindowOn(hWnd, &mi.rcMonitor, OSD_PLACE_STANDARD);
        SetOsdRegion(hWnd);
        // Replaces the whole extended style: never listed in the taskbar, and
        // never made the foreground window, not even by a click.
        SetWindowLongW(hWnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
        ShowWindow(hWnd, SW_HIDE);
    }
}

// Above 100 % the pictures come from their rendering at twice the size
// (Resource\2x, drawn from the same sources), which stays sharp where the
// artwork's own pixels blown up would blur; without it, the artwork is scaled.
static Gdiplus::Image *PictureOf(LPCWSTR pszPath, BOOL *pbDouble)
{
    *pbDouble = FALSE;
    if (g_nOsdSize > 100)
    {
        WCHAR szDouble[MAX_PATH];
        LPCWSTR pszName = wcsrchr(pszPath, L'\\');
        int cchDir = pszName ? (int)(pszName - pszPath) : 0;
        Gdiplus::Image *pImage = NULL;
        if (pszName && SUCCEEDED(StringCchPrintfW(szDouble, MAX_PATH, L"%.*ls\\2x%ls", cchDir, pszPath, pszName)))
            pImage = OsdPicture(szDouble);
        if (pImage)
        {
            *pbDouble = TRUE;
            return pImage;
        }
    }
    return OsdPicture(pszPath);
}

// A picture goes on at its own pixel size where that is the size it is to
// have: the artwork at 96 dpi and 100 %, the double one at 96 dpi and 200 %.
// At any other scale it gets a rectangle scaled like its window: drawn at a
// point, it would be sized by a resolution our files do not carry. The
// artwork is scaled bilinear, which never overshoots at its hard edges; the
// double one bicubic, as it mostly shrinks. Mirrored border pixels and pixel
// centres on the half keep the edges opaque, not faded into the transparent
// outside.
static void DrawPicture(Gdiplus::Graphics *pGraphics, Gdiplus::Image *pImage, BOOL bDouble, int x, int y)
{
    int cx = (int)pImage->GetWidth(), cy = (int)pImage->GetHeight();
    int cxShown = ScaleX(bDouble ? cx / 2 : cx), cyShown = ScaleY(bDouble ? cy / 2 : cy);
    if (cxShown == cx && cyShown == cy)
    {
        pGraphics->DrawImage(pImage, x, y);
        return;
    }
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    pGraphics->SetInterpolationMode(bDouble ? Gdiplus::InterpolationModeHighQualityBicubic
                                            : Gdiplus::InterpolationModeBilinear);
    pGraphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    pGraphics->DrawImage(pImage, Gdiplus::Rect(x, y, cxShown, cyShown), 0, 0, cx, cy, Gdiplus::UnitPixel,
                         &attributes);
}

// The bar pictures, one per level step, for the volume and brightness codes.
static void DrawBars(Gdiplus::Graphics *pGraphics, Gdiplus::Image *pBar, BOOL bDouble, int nCode)
{
    BOOL bVolume = nCode == VOLUME_UP || nCode == VOLUME_DOWN;
    int x0 = bVolume ? VOLUME_BAR_X : BRIGHTNESS_BAR_X;
    int pitch = bVolume ? VOLUME_BAR_PITCH : BRIGHTNESS_BAR_PITCH;
    int y = ScaleY(bVolume ? VOLUME_BAR_Y : BRIGHTNESS_BAR_Y);
    for (int i = 0; i < g_nIndicatorLevel; ++i)
        DrawPicture(pGraphics, pBar, bDouble, ScaleX(x0 + pitch * i), y);
}

// Everything is drawn off-screen and copied in one BitBlt. The pictures come
// decoded from the picture cache, which decodes a file again when it changes, so
// a shown window always has the current ones.
static void PaintContent(HDC hdc, int cx, int cy)
{
    HDC hdcMem = CreateCompatibleDC(hdc);
    HBITMAP hbmMem = CreateCompatibleBitmap(hdc, cx, cy);
    HGDIOBJ hbmOld = SelectObject(hdcMem, hbmMem);
    Gdiplus::Graphics *pGraphics = new Gdiplus::Graphics(hdcMem);
    BOOL bDouble;
    Gdiplus::Image *pBack = PictureOf(g_szBackImage, &bDouble);
    if (pBack)
        DrawPicture(pGraphics, pBack, bDouble, 0, 0);
    int nCode = g_nPendingIndicator;
    Gdiplus::Image *pBar = nCode >= VOLUME_UP && nCode <= BRIGHTNESS_DOWN ? PictureOf(g_szForeImage, &bDouble) : NULL;
    if (pBar)
        DrawBars(pGraphics, pBar, bDouble, nCode);
    BitBlt(hdc, 0, 0, cx, cy, hdcMem, 0, 0, SRCCOPY);
    delete pGraphics;
    DeleteObject(SelectObject(hdcMem, hbmOld));
    DeleteDC(hdcMem);
}

static void OnPaint(HWND hWnd)
{
    RECT rc;
    GetClientRect(hWnd, &rc);
    HDC hdc = GetDC(hWnd);
    PaintContent(hdc, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(hWnd, hdc);
}

// Start-up reads it silently; each display change logs what it found.
static void UpdateOrientation(BOOL bLog)
{
    DEVMODEW dm;
    if (!QueryDisplayMode(&dm))
        return;
    int nOrientation = DISPLAY_ORIENTATION((int)dm.dmDisplayOrientation);
    if (bLog)
        DBGOUT("display orientation is:%d", nOrientation);
    if (nOrientation >= 0 && nOrientation <= 3)
        g_nDisplayOrientation = nOrientation;
}

void ReadDisplayOrientation(void)
{
    UpdateOrientation(FALSE);
}

LRESULT CALLBACK ShowWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_PAINT:
        OnPaint(hWnd);
        break;
    case WM_DISPLAYCHANGE:
        UpdateOrientation(TRUE);
        SetTimer(hWnd, PLACE_CHECK_TIMER, PLACE_CHECK_MS, NULL);
        break;
    case WM_TIMER:
        if (wParam != PLACE_CHECK_TIMER)
            break;
        KillTimer(hWnd, PLACE_CHECK_TIMER);
        KeepOsdOnAMonitor(hWnd);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_OSD_TIMEOUT:
        return ClearTimedOutIndicator((int)wParam);
    case WM_GETOBJECT:
        if (LRESULT lResult = OsdAccessibleObject(hWnd, wParam, lParam))
            return lResult;
        break;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
