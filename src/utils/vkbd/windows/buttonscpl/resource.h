// Resource ids of the buttons' Control Panel item: dialogs, controls, strings.
// The tests drive the dialog through these control ids too.
#ifndef BUTTONSCPL_RESOURCE_H
#define BUTTONSCPL_RESOURCE_H

#define IDI_BUTTONS 1
#define IDD_BUTTONS 100
#define IDD_INDICATOR 101
#define IDR_CPL_MANIFEST 123   // the manifest Control Panel activates for an item

// Buttons page: one row per button, the ids of a row at a fixed step.
#define IDC_ROW_FIRST 1000
#define IDC_ROW_STEP 10
#define IDC_ROW_LABEL 0        // offsets within a row
#define IDC_ROW_EDIT 1
#define IDC_ROW_BROWSE 2
#define IDC_ROW_TRY 3
#define IDC_ROW_DEFAULT 4
#define IDC_ROW_STATUS 5
#define IDC_ROW(nRow, nOffset) (IDC_ROW_FIRST + (nRow) * IDC_ROW_STEP + (nOffset))

// Indicator page.
#define IDC_TARNVIEW_STATE 1100
#define IDC_TARNVIEW_VERSION 1101
#define IDC_PLATFORM_STATE 1102
#define IDC_SHOW_SAMPLE 1103
#define IDC_START_TARNVIEW 1104
#define IDC_INDICATOR_INTRO 1105
// Indicator page: the indicator's settings. The groups' boxes follow each other
// in the order of OSD_GROUP.
#define IDC_OSD_MONITOR 1110
#define IDC_OSD_PLACE 1111
#define IDC_OSD_SECONDS 1112
#define IDC_OSD_SIZE 1113
#define IDC_OSD_OPACITY 1114
#define IDC_OSD_FULL_SCREEN 1115
#define IDC_OSD_SHOW_FIRST 1120
#define IDC_OSD_MONITOR_LABEL 1130
#define IDC_OSD_PLACE_LABEL 1131
#define IDC_OSD_SECONDS_LABEL 1132
#define IDC_OSD_SIZE_LABEL 1133
#define IDC_OSD_OPACITY_LABEL 1134
#define IDC_OSD_SHOW_LABEL 1135
#define IDC_OSD_POLICY_NOTE 1136

// Strings.
#define IDS_CPL_NAME 1
#define IDS_CPL_INFO 2
#define IDS_PAGE_BUTTONS 3
#define IDS_PAGE_INDICATOR 4
#define IDS_DEFAULT_IS 10
#define IDS_DEFAULT_NOTHING 11
#define IDS_OWN_VALUE 12
#define IDS_POLICY_VALUE 13
#define IDS_WRONG_TYPE 14
#define IDS_TOO_LONG 20
#define IDS_NO_PROGRAM 21
#define IDS_NOT_STARTED 22
#define IDS_WRITE_FAILED 23
#define IDS_BROWSE_FILTER 24
#define IDS_BROWSE_TITLE 25
#define IDS_RUNNING 30
#define IDS_NOT_RUNNING 31
#define IDS_VERSION 32
#define IDS_VERSION_UNKNOWN 33
#define IDS_PLATFORM_FOUND 34
#define IDS_PLATFORM_MISSING 35
#define IDS_START_FAILED 36
#define IDS_BUTTON_SINGLE 40
#define IDS_BUTTON_DOUBLE 41
#define IDS_BUTTON_CAMERA 42
#define IDS_MONITOR_IN_USE 50      // the monitor choices, in the order of OSD_MONITOR
#define IDS_MONITOR_PRIMARY 51
#define IDS_MONITOR_POINTER 52
#define IDS_MONITOR_NAMED 53       // a connected monitor: number and name
#define IDS_MONITOR_ABSENT 54      // the chosen monitor while it is not connected
#define IDS_PLACE_FIRST 60         // the places, in the order of OSD_PLACE
#define IDS_SECONDS 70
#define IDS_PERCENT 71

#endif
