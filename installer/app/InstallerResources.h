// Resource ids of the installer's dialogs and controls.
#pragma once

#define IDD_EXTRACT 142
#define IDD_PROCESS_LIST 133

#define IDC_EXTRACT_LABEL 1002
#define IDC_EXTRACT_PROGRESS 1008

#define IDC_PROCESS_LIST 1006
#define IDC_PROCESS_TERMINATE 1015
#define IDC_PROCESS_RETRY 1016
#define IDC_PROCESS_PROMPT 1017
