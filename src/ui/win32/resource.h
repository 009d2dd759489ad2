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
#define IDM_OPEN_PROFILE 32776
#define IDM_SAVE_PROFILE 32777
#define IDM_COMPARE_PROFILE 32778

// The trace window's controls and its Save... dialog.
#define IDC_TRACE_LIST 3500
#define IDC_TRACE_CLEAR 3501
#define IDC_TRACE_SAVE 3502
#define IDC_TRACE_PATH 3503

// The box the engineer waits in while a profile is compared, and the comparison's window.
#define IDD_PROFILE_WAIT 111
#define IDD_COMPARISON 112
#define IDC_WAIT_TEXT 3510
#define IDC_COMPARE_HEADING 3511
#define IDC_COMPARE_LINES 3512
#define IDC_COMPARE_NOTES 3513

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
