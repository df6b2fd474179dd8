// The three OSD windows of class "ShowWnd": DPI scaling, placement, rounded
// regions, the double-buffered paint and the display orientation. Main thread,
// except ReadScreenSize and PlaceOsdWindow, which the OSD thread calls too.
#include <windows.h>
#include <gdiplus.h>
#include "Tarnwatch.h"
#include "tarnview.h"

// Where each window goes, all in 96-dpi units: the distances from the right
// edge (or the centre) and the bottom scale with the sizes, so a window at any
// DPI lies as far inside the screen as the pictures were drawn for at 96 dpi.
typedef struct OSD_LAYOUT
{
    HWND *phWnd;
    BOOL bCentred;        // left is W / 2 - nLeft, else W - nLeft
    int nLeft, nTop;      // subtracted, scaled, from the screen size
    int cx, cy;
    int rgnLeft, rgnTop, rgnRight, rgnBottom, cxCorner, cyCorner;
} OSD_LAYOUT;

// Bar pictures: first x, pitch and y, in 96-dpi units.
#define VOLUME_BAR_X 41
#define VOLUME_BAR_PITCH 14
#define VOLUME_BAR_Y 12
#define BRIGHTNESS_BAR_X 46
#define BRIGHTNESS_BAR_PITCH 27
#define BRIGHTNESS_BAR_Y 11

bool g_bDpiRead = false;
int g_nDpiX = 96;
int g_nDpiY = 96;
int g_nScreenWidth = 0;
int g_nScreenHeight = 0;
HWND g_hIconWnd = NULL;
HWND g_hModeWnd = NULL;
HWND g_hBarWnd = NULL;
volatile LONG g_nDisplayOrientation = 0;   // 0..3, read by the hardware-event dispatcher

static const OSD_LAYOUT s_layouts[] = {
    { &g_hIconWnd, FALSE, 66, 100, 55, 55, 2, 2, 52, 52, 6, 6 },
    { &g_hModeWnd, FALSE, 120, 100, 108, 55, 2, 2, 105, 52, 6, 6 },
    { &g_hBarWnd, TRUE, 124, 106, 254, 64, 0, 0, 251, 61, 17, 17 },
};

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
    return MulDiv(n, g_nDpiX, 96);
}

int ScaleY(int n)
{
    ReadDpi();
    return MulDiv(n, g_nDpiY, 96);
}

static BOOL QueryDisplayMode(DEVMODEW *pdm)
{
    ZeroMemory(pdm, sizeof(*pdm));
    pdm->dmSize = sizeof(*pdm);
    return EnumDisplaySettingsW(NULL, ENUM_CURRENT_SETTINGS, pdm);
}

void ReadScreenSize(void)
{
    DEVMODEW dm;
    if (QueryDisplayMode(&dm))
    {
        g_nScreenWidth = (int)dm.dmPelsWidth;
        g_nScreenHeight = (int)dm.dmPelsHeight;
    }
    else
    {
        g_nScreenWidth = 800;
        g_nScreenHeight = 600;
    }
}

static const OSD_LAYOUT *LayoutOf(HWND hWnd)
{
    for (const OSD_LAYOUT &layout : s_layouts)
        if (*layout.phWnd == hWnd)
            return &layout;
    return NULL;
}

void PlaceOsdWindow(HWND hWnd)
{
    const OSD_LAYOUT *p = LayoutOf(hWnd);
    if (!p)
        return;
    int left = (p->bCentred ? g_nScreenWidth / 2 : g_nScreenWidth) - ScaleX(p->nLeft);
    int top = g_nScreenHeight - ScaleY(p->nTop);
    // Never activated: the user's application keeps the foreground and the keys.
    SetWindowPos(hWnd, HWND_TOPMOST, left, top, ScaleX(p->cx), ScaleY(p->cy), SWP_NOACTIVATE);
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

void CreateOsdWindows(HINSTANCE hInstance)
{
    RegisterShowWndClass(hInstance);
    for (const OSD_LAYOUT &layout : s_layouts)
    {
        HWND hWnd = CreateWindowExW(0, L"ShowWnd", NULL, WS_POPUP, 0, 0, 0, 0, NULL, NULL, hInstance, NULL);
        *layout.phWnd = hWnd;
        PlaceOsdWindow(hWnd);
        // The system owns the region once the window has it.
        HRGN hRgn = CreateRoundRectRgn(ScaleX(layout.rgnLeft), ScaleY(layout.rgnTop), ScaleX(layout.rgnRight),
                                       ScaleY(layout.rgnBottom), ScaleX(layout.cxCorner), ScaleY(layout.cyCorner));
        SetWindowRgn(hWnd, hRgn, TRUE);
        // Replaces the whole extended style: never listed in the taskbar, and
        // never made the foreground window, not even by a click.
        SetWindowLongW(hWnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
        ShowWindow(hWnd, SW_HIDE);
    }
}

// At 96 dpi a picture goes on at its own pixel size, as it was drawn. At any
// other DPI it gets a rectangle scaled like its window: drawn at a point, it
// would be sized by a resolution our files do not carry, left to GDI+'s default.
// Bilinear never overshoots at the pictures' hard edges; mirrored border pixels
// and pixel centres on the half keep the edges opaque, not faded into the
// transparent outside.
static void DrawPicture(Gdiplus::Graphics *pGraphics, Gdiplus::Image *pImage, int x, int y)
{
    if (ScaleX(96) == 96 && ScaleY(96) == 96)
    {
        pGraphics->DrawImage(pImage, x, y);
        return;
    }
    int cx = (int)pImage->GetWidth(), cy = (int)pImage->GetHeight();
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    pGraphics->SetInterpolationMode(Gdiplus::InterpolationModeBilinear);
    pGraphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    pGraphics->DrawImage(pImage, Gdiplus::Rect(x, y, ScaleX(cx), ScaleY(cy)), 0, 0, cx, cy, Gdiplus::UnitPixel,
                         &attributes);
}

// The bar pictures, one per level step, for the volume and brightness codes.
static void DrawBars(Gdiplus::Graphics *pGraphics, Gdiplus::Image *pBar, int nCode)
{
    BOOL bVolume = nCode == VOLUME_UP || nCode == VOLUME_DOWN;
    int x0 = bVolume ? VOLUME_BAR_X : BRIGHTNESS_BAR_X;
    int pitch = bVolume ? VOLUME_BAR_PITCH : BRIGHTNESS_BAR_PITCH;
    int y = ScaleY(bVolume ? VOLUME_BAR_Y : BRIGHTNESS_BAR_Y);
    for (int i = 0; i < g_nIndicatorLevel; ++i)
        DrawPicture(pGraphics, pBar, ScaleX(x0 + pitch * i), y);
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
    Gdiplus::Image *pBack = OsdPicture(g_szBackImage);
    if (pBack)
        DrawPicture(pGraphics, pBack, 0, 0);
    int nCode = g_nPendingIndicator;
    Gdiplus::Image *pBar = nCode >= VOLUME_UP && nCode <= BRIGHTNESS_DOWN ? OsdPicture(g_szForeImage) : NULL;
    if (pBar)
        DrawBars(pGraphics, pBar, nCode);
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
        break;
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
