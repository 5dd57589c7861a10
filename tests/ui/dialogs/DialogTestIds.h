// Resource ids of the dialog layer's test templates.
#pragma once

#define IDD_TEST_MODAL 100
#define IDD_TEST_PAGE 101
#define IDD_TEST_LIST 102
#define IDM_TEST_EDIT 103
#define IDC_TEST_EDIT 1001
#define IDC_TEST_CHECK 1002
#define IDC_TEST_FRAME 1003
#define IDC_TEST_LIST 1004
#define IDC_TEST_RICH 1005
