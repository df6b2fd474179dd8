// What the OSD puts on the (virtual) screen: its windows, their places and the
// pixels they show, compared with the pictures of the installed tree.
#ifndef OSDCHECK_H
#define OSDCHECK_H

#include <windows.h>
#include <string>
#include <vector>

namespace osd {

// A picture or a piece of the screen, 32-bit pixels, row by row (0x00RRGGBB).
struct Pixels
{
    int cx = 0, cy = 0;
    std::vector<DWORD> data;
    DWORD At(int x, int y) const { return data[(size_t)y * cx + x]; }
};

Pixels Capture(const RECT &rc);
Pixels LoadPicture(const std::wstring &name);    // a file of out/<arch>/Resource

// The visible "ShowWnd" windows of the running Tarnview.
std::vector<HWND> VisibleOsdWindows();
HWND WaitForVisibleOsd(DWORD timeoutMs);         // the one visible OSD window, or NULL
bool WaitForNoOsd(DWORD timeoutMs);

// Counts the pixels inside the rounded region of a window of size cx x cy
// (corner ellipse e, region l,t,r,b) where the screen differs from the expected
// picture drawn at (0,0) with bars of barPicture at barX + pitch * i, barY.
struct Bars { const Pixels *pBar = nullptr; int nCount = 0, x = 0, pitch = 0, y = 0; };
int CountMismatches(const Pixels &screen, const Pixels &back, const Bars &bars, const RECT &region, int corner);

// How many bar pictures the screen shows at the bar positions.
int CountBarsShown(const Pixels &screen, const Pixels &bar, int x, int pitch, int y, int nMax);

// Each channel of a and b within tolerance of the other.
bool Near(DWORD a, DWORD b, int tolerance);

// Whether two captures show the same pixels in the rectangle rc of both.
bool SamePixels(const Pixels &a, const Pixels &b, const RECT &rc);

// Alerts (EVENT_SYSTEM_ALERT) raised by the windows of one process, each with
// the name and role that the accessible object of the event's window gives.
struct Alert { HWND hWnd; std::wstring name; long role; };
void ListenForAlerts(DWORD pid);
void StopListening();
// Pumps this thread's messages, which deliver the alerts, until nCount have
// come or timeoutMs has passed; all that came so far.
const std::vector<Alert> &WaitForAlerts(size_t nCount, DWORD timeoutMs);

}  // namespace osd

#endif
