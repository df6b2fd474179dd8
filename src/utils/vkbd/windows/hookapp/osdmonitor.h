// The monitors the indicator may appear on (osdmonitor.cpp), shared by Tarnview
// and the buttons' settings item, which lists them by their names.
#ifndef OSDMONITOR_H
#define OSDMONITOR_H

#include <windows.h>
#include "osdsettings.h"

#define OSD_MONITOR_NAME_CCH 128

typedef struct OSD_MONITOR_INFO
{
    int nNumber;                            // as Windows numbers its displays
    WCHAR szId[OSD_MONITOR_ID_CCH];         // the monitor device's identifier, kept in the settings
    WCHAR szName[OSD_MONITOR_NAME_CCH];     // as Windows shows it ("Generic PnP Monitor")
    RECT rcMonitor;
    BOOL bPrimary;
} OSD_MONITOR_INFO;

// Called for each connected monitor; FALSE stops the enumeration.
typedef BOOL (*OSD_MONITOR_VISITOR)(const OSD_MONITOR_INFO *pInfo, void *pContext);
void EnumOsdMonitors(OSD_MONITOR_VISITOR pfnVisit, void *pContext);

// The rectangle of the monitor the settings choose, asked now.
BOOL ChooseOsdMonitor(const OSD_SETTINGS *pSettings, RECT *prcMonitor);
BOOL IsFullScreenForeground(void);
BOOL IsOnOneMonitor(const RECT *prc);

#endif
