// Resource ids of the add-word dialog and the mini dictionary.
#pragma once

#define IDD_ADD_WORD 153
#define IDD_DICTIONARY 166
#define IDM_WEB_LOOKUP 167

// Add-word dialog.
#define IDC_ADD_WORD 1014
#define IDC_ADD_CODE 1013
#define IDC_ADD_BEFORE_SYSTEM 1005
#define IDC_ADD_CLIPBOARD 1004
#define IDC_ADD_HINT 1034

// Mini dictionary.
#define IDC_DICT_WORD 1003
#define IDC_DICT_RESULT 1004
#define IDC_DICT_WEB 40004
