// Where the three OSD windows go on a monitor and how large they are: today's
// layout (the bar at the bottom centre, the icons at the bottom right) or all of
// them at another place, at the same distances from the edges, every size and
// distance in 96-dpi units scaled by the DPI and the indicator's size. OSD thread,
// and the main thread at start-up and at a display change.
#include <windows.h>
#include "osdsettings.h"
#include "tarnview.h"

// One window's layout, all in 96-dpi units: its distance from the right edge (or
// from the centre) and from the bottom, which scale with its size, so that at any
// DPI it lies as far inside the monitor as the pictures were drawn for at 96 dpi.
typedef struct OSD_LAYOUT
{
    HWND *phWnd;
    BOOL bCentred;        // today: left is centre - nLeft, else right edge - nLeft
    int nLeft, nTop;      // subtracted from the centre or right edge, and from the bottom
    int cx, cy;
    int nSide;            // the gap to a side edge at a corner: the icons' gap today
    int rgnLeft, rgnTop, rgnRight, rgnBottom, cxCorner, cyCorner;
} OSD_LAYOUT;

static const OSD_LAYOUT s_layouts[] = {
    { &g_hIconWnd, FALSE, 66, 100, 55, 55, 11, 2, 2, 52, 52, 6, 6 },
    { &g_hModeWnd, FALSE, 120, 100, 108, 55, 12, 2, 2, 105, 52, 6, 6 },
    { &g_hBarWnd, TRUE, 124, 106, 254, 64, 11, 0, 0, 251, 61, 17, 17 },
};

static const OSD_LAYOUT *LayoutOf(HWND hWnd)
{
    for (const OSD_LAYOUT &layout : s_layouts)
        if (*layout.phWnd == hWnd)
            return &layout;
    return NULL;
}

static BOOL IsLeft(DWORD dwPlace) { return dwPlace == OSD_PLACE_TOP_LEFT || dwPlace == OSD_PLACE_BOTTOM_LEFT; }
static BOOL IsRight(DWORD dwPlace) { return dwPlace == OSD_PLACE_TOP_RIGHT || dwPlace == OSD_PLACE_BOTTOM_RIGHT; }
static BOOL IsTop(DWORD dwPlace)
{
    return dwPlace == OSD_PLACE_TOP_CENTRE || dwPlace == OSD_PLACE_TOP_LEFT || dwPlace == OSD_PLACE_TOP_RIGHT;
}

static int LeftOf(const OSD_LAYOUT *p, const RECT *prc, DWORD dwPlace)
{
    int nCentre = prc->left + (prc->right - prc->left) / 2;
    if (IsLeft(dwPlace))
        return prc->left + ScaleX(p->nSide);
    if (IsRight(dwPlace))
        return prc->right - ScaleX(p->nSide + p->cx);
    if (dwPlace == OSD_PLACE_STANDARD && !p->bCentred)
        return prc->right - ScaleX(p->nLeft);
    // The bar keeps today's offset from the centre wherever it is centred.
    return nCentre - (p->bCentred ? ScaleX(p->nLeft) : ScaleX(p->cx) / 2);
}

static int TopOf(const OSD_LAYOUT *p, const RECT *prc, DWORD dwPlace)
{
    if (IsTop(dwPlace))
        return prc->top + ScaleY(p->nTop - p->cy);
    if (dwPlace == OSD_PLACE_CENTRE)
        return prc->top + (prc->bottom - prc->top) / 2 - ScaleY(p->cy) / 2;
    return prc->bottom - ScaleY(p->nTop);
}

// Never outside the monitor, however large the indicator or small the monitor.
static int Clamped(int nPos, int nSize, LONG nLow, LONG nHigh)
{
    if (nPos + nSize > nHigh)
        nPos = nHigh - nSize;
    return nPos < nLow ? (int)nLow : nPos;
}

void PlaceOsdWindowOn(HWND hWnd, const RECT *prcMonitor, DWORD dwPlace)
{
    const OSD_LAYOUT *p = LayoutOf(hWnd);
    if (!p)
        return;
    int cx = ScaleX(p->cx), cy = ScaleY(p->cy);
    int left = Clamped(LeftOf(p, prcMonitor, dwPlace), cx, prcMonitor->left, prcMonitor->right);
    int top = Clamped(TopOf(p, prcMonitor, dwPlace), cy, prcMonitor->top, prcMonitor->bottom);
    // Never activated: the user's application keeps the foreground and the keys.
    SetWindowPos(hWnd, HWND_TOPMOST, left, top, cx, cy, SWP_NOACTIVATE);
}

// Lifted to the top again where it stands: an indicator that is updated stays put.
void RaiseOsdWindow(HWND hWnd)
{
    SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

// The rounded region at the present scale; the system owns it once the window has it.
void SetOsdRegion(HWND hWnd)
{
    const OSD_LAYOUT *p = LayoutOf(hWnd);
    if (!p)
        return;
    HRGN hRgn = CreateRoundRectRgn(ScaleX(p->rgnLeft), ScaleY(p->rgnTop), ScaleX(p->rgnRight), ScaleY(p->rgnBottom),
                                   ScaleX(p->cxCorner), ScaleY(p->cyCorner));
    SetWindowRgn(hWnd, hRgn, TRUE);
}

// A new size takes effect for the next appearance: every window gets its region
// anew. Called with all windows hidden.
void SetOsdSize(DWORD dwSize)
{
    if ((LONG)dwSize == g_nOsdSize)
        return;
    g_nOsdSize = (LONG)dwSize;
    for (const OSD_LAYOUT &layout : s_layouts)
        SetOsdRegion(*layout.phWnd);
}
