// The key runner shared by the IMM32 front end, the TSF text service and the
// console host: the taken-decision for a key event (pending key, lone
// modifiers, Caps Lock and Shift rows), running a taken key through the
// engine (classification, search, pages, the commit sequence), the key
// functions and the menu commands. It never touches a window, a TSF object
// or an input-context handle: results go to a KeyRunnerOutput, outside
// effects through the context's effects seam, time through an OsServices.
//
// One runner serves one thread's contexts (its lone-modifier and Caps Lock
// memory is that of the keyboard it listens to). Nothing here allocates.
#pragma once

#include <cstdint>

#include "engine/ImeContext.h"
#include "engine/KeyTables.h"
#include "engine/Os.h"
#include "frontend/common/KeyEvent.h"
#include "frontend/common/KeyRunnerOutput.h"
#include "ui/popups/SoftKeyboard.h"

enum class KeyDecision {
  kPass,  // the host gets the key
  kTake,  // the module takes it: run it with RunPendingKey
  // The host gets the key, but the association list shown must go first:
  // call Cancel, then let the key through.
  kPassAfterCancel,
};

// Menu and button commands of the skinned windows (RunMenuCommand).
namespace MenuCommand {
inline constexpr int kConfigMain = 1;
inline constexpr int kKeyboardMap = 3;
inline constexpr int kAbout = 4;
inline constexpr int kHelp = 5;
inline constexpr int kNothing6 = 6;
inline constexpr int kHelpLink = 7;
inline constexpr int kAddWord = 8;
inline constexpr int kNothing16 = 16;
inline constexpr int kCommitSlot = 17;
inline constexpr int kNextPage = 257;
inline constexpr int kPreviousPage = 258;
inline constexpr int kChineseInput = 259;
inline constexpr int kCloseInput = 260;
inline constexpr int kSoftKeyboard = 513;
inline constexpr int kEntryCommand = 514;
inline constexpr int kNothing4096 = 4096;
inline constexpr int kFullWidthOn = 8193;
inline constexpr int kFullWidthOff = 8194;
inline constexpr int kEnglishPunctuation = 8195;
inline constexpr int kChinesePunctuation = 8196;
inline constexpr int kToggleTraditional = 8197;
inline constexpr int kToggleSimplified = 8198;
inline constexpr int kEnglishPunctuation2 = 8199;
inline constexpr int kScheme = 8208;
inline constexpr int kRange = 8209;
}  // namespace MenuCommand

// Whether RunMenuCommand knows a command (front ends pass on the others).
bool IsMenuCommand(int command);

class KeyRunner {
 public:
  // clock: the tick count of the lone-modifier rule and the Caps Lock memory.
  explicit KeyRunner(const OsServices& clock = DefaultOs()) : clock_(&clock) {}

  // Decides whether the module takes a key event and leaves the pending key
  // (index, flags, text) in the context. Apart from the pending key and this
  // runner's memory of the last key-down, nothing changes, so a front end may
  // ask twice for one event (TSF's test and real calls).
  KeyDecision TestKey(ImeContext* context, const KeyEvent& key, const KeyState& state);
  // Runs the pending key left by TestKey. 1 when it did something.
  int RunPendingKey(ImeContext* context, KeyRunnerOutput& output);

  // A combination key of the settings (hot key or preserved key), by slot.
  int RunCombinationKey(ImeContext* context, int slot, KeyRunnerOutput& output);
  // Key-function flags with no key behind them (menus, the candidate window).
  int RunKeyFunction(ImeContext* context, uint64_t flags, KeyRunnerOutput& output);
  // A menu or button command (MenuCommand); 1 when handled, 0 for commands
  // the runner does not know (front-end ones such as the language bar).
  int RunMenuCommand(ImeContext* context, int command, int a, int b, KeyRunnerOutput& output);
  // Soft keyboard on with a layout (1..13), off, or toggled (layout < 0, or
  // both 0). 1 when done.
  int SetSoftKeyboard(ImeContext* context, int on, int layout, KeyRunnerOutput& output);

  // Drops the code, candidates and associations and ends the composition.
  void Cancel(ImeContext* context, KeyRunnerOutput& output);
  // Commits the selected candidate (or the typed code) and ends the composition.
  void Complete(ImeContext* context, KeyRunnerOutput& output);
  // The host or framework ended the composition itself: forget the input
  // without reporting anything.
  void CompositionEnded(ImeContext* context);

  // Forgets the last key-down, so a modifier released next runs nothing
  // (after a hot key or preserved key).
  void ForgetKeyDown() { lastDownScan_ = kNoScan; }

  // The layout table of the soft keyboard (13 rows; the module's own
  // unless set); null leaves the context's key map empty. The table
  // outlives the runner.
  void SetSoftKeyboardRows(const SoftKeyboardRow* rows) { softRows_ = rows; }
  int LastSoftKeyboardLayout() const { return lastSoftLayout_; }

 private:
  friend class KeyPass;
  static constexpr uint32_t kNoScan = 0xFFFFFFFFu;

  uint64_t Now() const { return clock_->TickCount64(); }
  bool TakeLoneModifier(ImeContext* context, const KeyEvent& key, const KeyState& state);
  // Whether an event is one of the Caps Lock events this runner injected.
  bool IsOwnCapsLock(const KeyEvent& key);
  void UndoCapsLockToggle(ImeContext* context);

  const OsServices* clock_;
  uint32_t lastDownScan_ = kNoScan;  // key data bits 16-27 of the last key-down
  uint64_t lastDownTick_ = 0;        // when that key first went down
  int capsInjections_ = 0;           // injected Caps Lock presses still to come back
  uint64_t capsInjectionTick_ = 0;
  int lastSoftLayout_ = 1;
  const SoftKeyboardRow* softRows_ = SoftKeyboardLayoutTable.data();
};

// Whether combination slot `slot` is served now (a hot key, a preserved
// key): none when the settings turn them off; with input closed or disabled
// only the keys that open it again, or a combination bound to open/close
// could close the IME but never reopen it.
bool CombinationKeyActive(const ImeContext* context, int slot);
// Whether a combination key opens input again (open/close, English toggle).
bool CombinationKeyOpensInput(const CombinationKey& key);
// The combination slot whose key is code, or -1.
int FindCombinationSlot(const DmeConfigBlock* dme, KeyCode code);
// The modifiers of a combination key as hot keys and preserved keys both
// take them: left Ctrl 0x80, right 0x10, either 0x2; left Shift 0x100,
// right 0x20, either 0x4; left Alt 0x40, right 0x8, either 0x1.
uint32_t CombinationModifiers(KeyCode code);
