// Commands of the skinned windows' menus and buttons and of the language
// bar, carried out for the text service: the key runner does the work, in
// an edit session of the current document; the language-bar switch is the
// service's own.
#include "engine/ImeOptionBits.h"
#include "frontend/tsf/TextService.h"

namespace {

// The status shown on the language bar instead of the status bar: the
// function menu's item and the command of the settings.
constexpr int kLanguageBarMenuItem = 101;
constexpr int kLanguageBarCommand = 8201;

}  // namespace

int CTextService::ExecuteTextServiceCommand(int command, WPARAM wParam, LPARAM lParam) {
  if (!context_) return 0;
  if (command == kLanguageBarMenuItem || command == kLanguageBarCommand) {
    if (!context_->imeBlock) return 0;
    // Shared by every process through config.dsc.
    context_->imeBlock->optionFlags ^= ImeBits::kStatusInLanguageBar;
    InitLanguageBar();
    return 1;
  }
  if (command == MenuCommand::kSoftKeyboard)
    return SetTsfSoftKeyboard(static_cast<int>(wParam), static_cast<int>(lParam));
  // Commands the runner does not know are not ours either.
  if (!IsMenuCommand(command)) return 0;
  RunCommand(nullptr, ServiceCommand::Menu(command, static_cast<intptr_t>(wParam), static_cast<intptr_t>(lParam)));
  return 1;
}

int CTextService::SetTsfSoftKeyboard(int request, int layout) {
  if (!context_) return 0;
  ServiceCommand command;
  command.kind = ServiceCommand::kSoftKeyboard;
  command.a = request;
  command.b = layout;
  return RunCommand(nullptr, command) ? 1 : 0;
}
