// Commands of the skinned windows' menus and buttons and of the language
// bar, carried out for the text service: the key runner does the work, in
// an edit session of the current document; the language-bar switch is the
// service's own.
#include "engine/DataLock.h"
#include "engine/ImeOptionBits.h"
#include "frontend/tsf/TextService.h"
#include "ui/windows/WindowCommands.h"

namespace {

// The status shown on the language bar instead of the status bar: the
// command of the settings (the function menu sends kCommandLanguageBarStatus).
constexpr int kLanguageBarCommand = 8201;

// The skinned windows' commands on a context of the text service.
class TextServiceCommandTarget final : public WindowCommandTarget {
 public:
  int ExecuteWindowCommand(ImeContext* context, uint32_t code, uintptr_t wParam, intptr_t lParam) override {
    if (!context || !context->textService) return 0;
    auto* service = static_cast<CTextService*>(context->textService);
    // A window may outlive its service's activation by a message or two.
    if (service->imeContext() != context) return 0;
    return service->ExecuteTextServiceCommand(static_cast<int>(code), static_cast<WPARAM>(wParam),
                                              static_cast<LPARAM>(lParam));
  }
};

}  // namespace

WindowCommandTarget& TextServiceWindowCommands() {
  static TextServiceCommandTarget target;
  return target;
}

int CTextService::ExecuteTextServiceCommand(int command, WPARAM wParam, LPARAM lParam) {
  if (!context_) return 0;
  if (command == static_cast<int>(kCommandLanguageBarStatus) || command == kLanguageBarCommand) {
    if (!context_->imeBlock) return 0;
    {
      // Shared by every process through config.dsc: changed under the data
      // folder's write lock, so no other writer's bit is lost.
      DataWriteLock lock(context_);
      if (lock.Held()) context_->imeBlock->optionFlags ^= ImeBits::kStatusInLanguageBar;
    }
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
