// Resource ids of the installer's dialogs, icons and controls.
#pragma once

#define IDD_WIZARD 129
#define IDD_UPDATE 130
#define IDD_PROCESS_LIST 133
#define IDD_LICENCE 135
#define IDD_REPAIR 140
#define IDD_UNINSTALL 141
#define IDD_EXTRACT 142

// In this order they are the installer's icons 0..3, which the shortcuts use.
#define IDI_INSTALL 101
#define IDI_REPAIR 102
#define IDI_UNINSTALL 103
#define IDI_UPDATE 104

#define IDR_LICENCE_TEXT 201

#define IDC_EXTRACT_LABEL 1002
#define IDC_EXTRACT_PROGRESS 1008

#define IDC_PROCESS_LIST 1006
#define IDC_PROCESS_TERMINATE 1015
#define IDC_PROCESS_RETRY 1016
#define IDC_PROCESS_PROMPT 1017

// The wizard, repair, uninstall and update dialogs.
#define IDC_ACCEPT 1001
#define IDC_LICENCE 1002
#define IDC_FOLDER_LABEL 1004
#define IDC_BROWSE 1005
#define IDC_LOG 1006
#define IDC_PROGRESS 1008
#define IDC_LICENCE_TEXT 1014
#define IDC_FOLDER 1022
#define IDC_BANNER 1032

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
