#pragma once
// Resource ids of tarnwick.rc. The command ids must match those of app/layout.h, which the
// command table dispatches on.

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_TARNWICK 107
#define IDI_SMALL 108
#define IDC_TARNWICK 109
#define IDD_TRACE_SAVE 110
#define IDM_OPEN_PORT 32772
#define IDM_CLOSE_PORT 32773
#define IDM_TRACE 32774
#define IDM_NO_PORTS 32775

// The trace window's controls and its Save... dialog.
#define IDC_TRACE_LIST 3500
#define IDC_TRACE_CLEAR 3501
#define IDC_TRACE_SAVE 3502
#define IDC_TRACE_PATH 3503

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
