// Commands of the skinned windows' menus and buttons: launches, paging,
// candidate choice, input modes, the soft keyboard, entry commands, scheme
// and range.
#include <windows.h>

#include <initializer_list>

#include "engine/Launchers.h"
#include "engine/WideString.h"
#include "frontend/common/KeyPass.h"

namespace {

// The help link comes from config.dsc, which every process may write: only
// a web address is opened, never a program or document it could name.
bool IsWebAddress(const wchar_t* text) {
  for (const wchar_t* scheme : {L"http://", L"https://"}) {
    int i = 0;
    while (scheme[i] && text[i] && (text[i] | 0x20) == scheme[i]) ++i;
    if (!scheme[i] && text[i] > L' ') return true;
  }
  return false;
}

}  // namespace

bool IsMenuCommand(int command) {
  namespace M = MenuCommand;
  static constexpr int kKnown[] = {
      M::kConfigMain,       M::kKeyboardMap,       M::kAbout,
      M::kHelp,             M::kNothing6,          M::kHelpLink,
      M::kAddWord,          M::kNothing16,         M::kCommitSlot,
      M::kNextPage,         M::kPreviousPage,      M::kChineseInput,
      M::kCloseInput,       M::kSoftKeyboard,      M::kEntryCommand,
      M::kNothing4096,      M::kFullWidthOn,       M::kFullWidthOff,
      M::kEnglishPunctuation, M::kChinesePunctuation, M::kToggleTraditional,
      M::kToggleSimplified, M::kEnglishPunctuation2, M::kScheme,
      M::kRange,
  };
  for (int known : kKnown) {
    if (known == command) return true;
  }
  return false;
}

int KeyPass::RunMenuCommand(int command, int a, int b) {
  namespace M = MenuCommand;
  Effects& fx = effects();
  switch (command) {
    case M::kConfigMain:
      LaunchConfigTool(c_, c_->hostWindow, L"", fx);
      return 1;
    case M::kKeyboardMap:
      ShowHelpTopic(c_, L"keyboardmap.html", 600, 500, fx);
      return 1;
    case M::kAbout:
      LaunchConfigTool(c_, c_->hostWindow, L"/do about", fx);
      return 1;
    case M::kHelp:
      LaunchConfigTool(c_, c_->hostWindow, L"/do help", fx);
      return 1;
    case M::kAddWord:
      LaunchConfigTool(c_, c_->hostWindow, L"/do tianjiayonghuci", fx);
      return 1;
    case M::kHelpLink: {
      // Copied out of the shared view: another process may rewrite the
      // field meanwhile, and one left unterminated is no link.
      constexpr uint32_t kLinkUnits = sizeof(SoftConfigBlock::helpLink) / sizeof(wchar_t);
      wchar_t link[kLinkUnits];
      if (c_->softBlock && CopyStringBounded(link, kLinkUnits, c_->softBlock->helpLink) == S_OK &&
          IsWebAddress(link)) {
        OpenLink(c_, link, fx);
      }
      return 1;
    }
    case M::kNothing6:
    case M::kNothing16:
    case M::kNothing4096:
      return 1;
    case M::kCommitSlot:
      // A selector outside 0..12 would name another function's bits.
      if (a < 0 || a > kSelectorLast) return 1;
      c_->pendingKeyText = L"";
      ExecuteKeyFunction(KeyFunction::kCommit | (static_cast<uint64_t>(a) << KeyFunction::kSelectorShift));
      return 1;
    case M::kNextPage:
    case M::kPreviousPage:
      if (HasComposition()) TurnCandidatePage(command == M::kNextPage);
      return 1;
    case M::kChineseInput:
      SwitchChineseEnglish(true);
      return 1;
    case M::kCloseInput:
      SwitchChineseEnglish(false);
      return 1;
    case M::kSoftKeyboard:
      return SetSoftKeyboard(a, b);
    case M::kEntryCommand:
      // a: the page slot, b: the entry command. The key function keeps the
      // slot in bits 16-31 and the command in bits 0-15; a wider value is
      // no command.
      if (a < 0 || a > 0xFFFF || b < 0 || b > 0xFFFF) return 1;
      ExecuteKeyFunction(KeyFunction::kEntryOperation | (static_cast<uint64_t>(a) << 16) |
                         static_cast<uint64_t>(b));
      return 1;
    case M::kFullWidthOn:
    case M::kFullWidthOff:
      SetFullWidth(command == M::kFullWidthOn);
      return 1;
    case M::kEnglishPunctuation:
    case M::kEnglishPunctuation2:
    case M::kChinesePunctuation:
      SetEnglishPunctuation(command != M::kChinesePunctuation);
      return 1;
    case M::kToggleTraditional:
      ToggleTraditional();
      return 1;
    case M::kToggleSimplified:
      ToggleSimplified();
      return 1;
    case M::kScheme:
      SetScheme(b);
      out_.UpdateStatus(StatusChange::kConversion);
      SearchAgain();
      return 1;
    case M::kRange:
      SetRange(b);
      out_.UpdateStatus(StatusChange::kConversion);
      SearchAgain();
      return 1;
    default:
      return 0;
  }
}

int KeyRunner::RunMenuCommand(ImeContext* context, int command, int a, int b,
                              KeyRunnerOutput& output) {
  if (!context || !context->dmeBlock) return 0;
  context->pendingKeyIndex = 0;
  context->pendingKeyFlags = 0;
  return KeyPass(*this, context, output).RunMenuCommand(command, a, b);
}
