// What a config start opens, chosen by the "/do" keyword, and the window
// titles that make single-instance windows findable.
#pragma once

#include <string>

enum class ConfigMode {
  kAdvancedEditor,   // text-mode settings editor
  kShowUrl,          // sized page window
  kDictionary,       // mini dictionary (single instance, takes the word by WM_COPYDATA)
  kOutputLookup,     // code-table view seeded with the last committed text
  kClipboardLookup,  // code-table view seeded with the clipboard's text
  kKeyEditor,        // key-function editor
  kAddWordManual,    // add-word dialog, typed word
  kAddWordRecent,    // add-word dialog, recent output or clipboard
  kHelp,             // main.chm through the shell
  kSettings,         // tabbed settings dialog
};

// Start pages of the settings dialog.
enum SettingsPage : int {
  kPageOptions = 0,
  kPageAppearance = 1,
  kPageCodeTables = 2,
  kPageSystem = 3,
  kPageAbout = 4,
  kPageCount = 5,
};

struct ConfigDispatch {
  ConfigMode mode;
  // The title prefix the window gives itself and a second start searches
  // for; null when the window is not single-instance.
  const wchar_t* titlePrefix;
  int startPage;  // kSettings only
};

// Rows are tested in order; comparisons are exact except the settings
// dialog's page keywords, which ignore the case of ASCII letters.
ConfigDispatch DispatchKeyword(const std::wstring& keyword);

// The one formatter of single-instance titles: "<prefix> - <display name>",
// "<prefix> - *" when the display name is unknown, at most 127 units. The
// window sets it and a second start searches for it, so they always agree.
std::wstring InstanceTitle(const wchar_t* prefix, const std::wstring& displayName);

inline constexpr wchar_t kTitleSettings[] = L"使用设置";
inline constexpr wchar_t kTitleAdvanced[] = L"高级设置模式";
inline constexpr wchar_t kTitleDictionary[] = L"微型词典";
inline constexpr wchar_t kTitleCodeView[] = L"码表浏览";
inline constexpr wchar_t kTitleKeyEditor[] = L"按键功能定义";
