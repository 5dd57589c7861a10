// Resource ids of the key-function editor.
#pragma once

#define IDD_KEY_EDITOR 137
#define IDM_KEY_FUNCTIONS 145

#define IDC_KEY_CTRL 1004
#define IDC_KEY_ALT 1005
#define IDC_KEY_SHIFT 1032
