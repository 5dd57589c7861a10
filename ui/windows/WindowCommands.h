// Commands the skinned windows and their menus hand to the front end that
// drives a context: the IMM32 command handler or the TSF text service. Each
// front end registers one target; ui/ never includes the front ends.
#pragma once

#include <cstdint>

struct ImeContext;

// Command codes, with their wParam and lParam.
enum WindowCommand : uint32_t {
  kCommandOpenSettings = 1,     // config without arguments
  kCommandKeyboardMap = 3,      // help topic "keyboardmap.html" at 600 x 500
  kCommandAbout = 4,            // config "/do about"
  kCommandHelpHome = 5,         // help home page
  kCommandAddUserWord = 8,      // config "/do tianjiayonghuci"
  kCommandCommitCandidate = 17,  // wParam: candidate number on the page, 1-based
  kCommandLanguageBarStatus = 101,  // TSF only: status bar as window or in the language bar
  kCommandNextPage = 257,
  kCommandPreviousPage = 258,
  kCommandChineseInput = 259,   // open Chinese input
  kCommandEnglishInput = 260,   // close: English input
  kCommandSoftKeyboard = 513,   // wParam 22 (menus' close value) or 0; lParam layout 1-13, 0 off
  kCommandCandidateEntry = 514,  // wParam slot on the page, lParam entry command 1-7
  kCommandFullWidth = 8193,
  kCommandHalfWidth = 8194,
  kCommandEnglishPunctuation = 8195,
  kCommandChinesePunctuation = 8196,
  kCommandTraditional = 8197,
  kCommandSimplified = 8198,
  kCommandScheme = 8208,           // lParam 0 main+aux, 1 main, 2 aux
  kCommandSecondarySearch = 8209,  // lParam 0 search, 1 no search, 2 when no candidate
};

// wParam of kCommandSoftKeyboard that makes layout 0 mean "off" rather than
// "toggle with the last layout".
constexpr uintptr_t kSoftKeyboardFromMenu = 22;

class WindowCommandTarget {
 public:
  virtual ~WindowCommandTarget() = default;
  // Carries out one command on the context; called on the windows' thread,
  // outside any lock of the front end.
  virtual int ExecuteWindowCommand(ImeContext* context, uint32_t code, uintptr_t wParam,
                                   intptr_t lParam) = 0;
};

enum class FrontEnd { kImm, kTsf };

// Registers the target of one front end (null removes it). The module sets
// both at attach; tests set fakes.
void SetWindowCommandTarget(FrontEnd frontEnd, WindowCommandTarget* target);

// A context with an IMM32 input context goes to the IMM32 target, else one
// with a text service to the TSF target, else nowhere. Returns 0.
int ExecuteMenuCommand(ImeContext* context, uint32_t code, uintptr_t wParam, intptr_t lParam);

// True when the context is driven by the text service (not IMM32).
bool IsTextServiceContext(const ImeContext* context);
