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
#define IDM_OPEN_PORT 32772
#define IDM_CLOSE_PORT 32773

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
