// Resource ids of the launcher: dialog templates, icon, cursor, string and
// control ids (shared by dremlin.rc and the code).
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_DREMLIN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_SPLASH 129
#define IDD_DRIVER_DOWNLOAD 136
#define IDC_HAND_CURSOR 137
#define IDD_WAIT_DISC 138

#define IDC_COMBO_DRIVE 1001
#define IDC_BUTTON_RUN 1002
#define IDC_EDIT_COMMENT 1003
#define IDC_EDIT_DRIVER_TEXT 1004
#define IDC_STATIC_LINK 1005
#define IDC_STATIC_WAIT_TEXT 1008

// Controls the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
