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
#define IDM_MODEM_STATUS 32779

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

// The Modem Status window: a name and a value a status item (IDC_STATUS_NAME + the item's
// number in StatusItem order, likewise IDC_STATUS_VALUE), the signal meter and its text, the
// verdict, the line that says why a refresh did not start, and its two timers: every 5 s, and
// the one that watches a running check for its end.
#define IDD_MODEM_STATUS 113
#define IDC_STATUS_NAME 3520
#define IDC_STATUS_VALUE 3530
#define IDC_STATUS_METER 3540
#define IDC_STATUS_SIGNAL 3541
#define IDC_STATUS_VERDICT 3542
#define IDC_STATUS_NOTE 3543
#define IDC_STATUS_REFRESH 3544
#define IDC_STATUS_EVERY 3545
#define IDT_STATUS_AUTO 1
#define IDT_STATUS_WATCH 2

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
