// Resource ids of config.exe: dialog templates, their controls, menus and
// icons. Shared by the .rc and the code.
#pragma once

#define IDI_CONFIG 101

#define IDD_SETTINGS 102
#define IDD_ABOUT 141
#define IDD_OPTIONS_HOST 146
#define IDD_HTML 148
#define IDD_APPEARANCE_HOST 149
#define IDD_SYSTEM 150
#define IDD_EMBED 156
#define IDD_ADVANCED 157

#define IDM_RICH_EDIT 40008

// Settings dialog.
#define IDC_TABS 1024
#define IDC_PAGE_FRAME 1031

// About page and HTML window.
#define IDC_ABOUT_TEXT 1003
#define IDC_BROWSER 1029
#define IDC_BROWSER_FRAME 1030

// System page.
#define IDC_SYS_SECONDARY_ON 1017
#define IDC_SYS_SECONDARY_OFF 1018
#define IDC_SYS_SCHEME_BOTH 1020
#define IDC_SYS_SCHEME_MAIN 1021
#define IDC_SYS_SCHEME_AUX 1022
#define IDC_SYS_EMBED_LABEL 1023
#define IDC_SYS_NO_HOTKEYS 1024
#define IDC_SYS_SCHEME_GROUP 1027
#define IDC_SYS_RANGE_GROUP 1028
#define IDC_SYS_SECONDARY_EMPTY 1032
#define IDC_SYS_TEXT_LABEL 1033
#define IDC_SYS_EMBED 40004
#define IDC_SYS_ADVANCED 40005

// Embedded-style dialog.
#define IDC_EMB_AMBIGUOUS_ONLY 1004
#define IDC_EMB_HIDE_FIRST 1005
#define IDC_EMB_IMM 1017
#define IDC_EMB_TSF_CODE 1018
#define IDC_EMB_TSF_FIRST 1019
#define IDC_EMB_TSF_CLASSIC 1020

// Text-mode editor.
#define IDC_ADV_SEARCH 1003
#define IDC_ADV_TEXT 1015
#define IDC_ADV_SAVE 40004
#define IDC_ADV_RESTORE 40005
#define IDC_ADV_BACKUP 40006
