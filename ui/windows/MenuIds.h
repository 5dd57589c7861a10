// Resource ids of the module's popup menus and their items; shared by the
// menu resources and the code that fills and reads them.
#pragma once

#define ZN_MENU_INPUT_STATE 105
#define ZN_MENU_CANDIDATE_ENTRY 125
#define ZN_MENU_SOFT_KEYBOARD 127
#define ZN_MENU_FUNCTIONS 130

// Menu 105.
#define ZN_ID_STATE_KEYBOARD 40021
#define ZN_ID_STATE_CHINESE 40022
#define ZN_ID_STATE_ENGLISH 40027
#define ZN_ID_STATE_CN_PUNCT 40049
#define ZN_ID_STATE_EN_PUNCT 40050
#define ZN_ID_STATE_FULL 40047
#define ZN_ID_STATE_HALF 40048

// Menu 125, in entry-command order 1..7 below.
#define ZN_ID_ENTRY_UP 40023
#define ZN_ID_ENTRY_DOWN 40024
#define ZN_ID_ENTRY_FIRST 40025
#define ZN_ID_ENTRY_LAST 40026
#define ZN_ID_ENTRY_PIN 40027
#define ZN_ID_ENTRY_SECONDARY 40029
#define ZN_ID_ENTRY_DELETE 40028

// Menus 127 and 130: layout n is ZN_ID_LAYOUT_BASE + n.
#define ZN_ID_LAYOUT_BASE 40030
#define ZN_ID_LAYOUT_CANCEL 40030
#define ZN_ID_LAYOUT_CLOSE 40044

// Menu 130.
#define ZN_ID_SETTINGS 40010
#define ZN_ID_ADD_WORD 40028
#define ZN_ID_SCHEME_BOTH 40002
#define ZN_ID_SCHEME_MAIN 40003
#define ZN_ID_SCHEME_AUX 40005
#define ZN_ID_SEARCH_ON 40007
#define ZN_ID_SEARCH_OFF 40008
#define ZN_ID_SEARCH_EMPTY 40009
#define ZN_ID_FULL 40047
#define ZN_ID_HALF 40048
#define ZN_ID_CN_PUNCT 40049
#define ZN_ID_EN_PUNCT 40050
#define ZN_ID_TRADITIONAL 40051
#define ZN_ID_SIMPLIFIED 40057
#define ZN_ID_HELP_HOME 40058
#define ZN_ID_KEYBOARD_MAP 40046
#define ZN_ID_ABOUT 40053
// Items added at run time.
#define ZN_ID_CANCEL 2
#define ZN_ID_CLOSE_STATUS 3
#define ZN_ID_LANGUAGE_BAR 101
#define ZN_ID_SKIN_BASE 0x10000000
