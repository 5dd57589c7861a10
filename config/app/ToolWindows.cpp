// Start-up of the dictionary, look-up, key-editor and add-word windows.
#include "config/app/ToolWindows.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigServices.h"
#include "config/keys/KeyEditorDialog.h"
#include "config/tables/CodeTableView.h"
#include "config/tables/TableList.h"
#include "config/words/AddWordDialog.h"
#include "config/words/DictDialog.h"
#include "engine/WideString.h"

namespace {

// The clipboard look-up takes at most this many units.
constexpr size_t kClipboardLookupUnits = 127;
constexpr uint32_t kUserCategory = 2;

std::wstring MainTablePath(ConfigApp& app) {
  wchar_t folder[kPathUnits];
  if (!ReadDataLocation(app.context->productKey, folder, kPathUnits, app.services.Os()) || !folder[0])
    CopyStringBounded(folder, kPathUnits, app.context->dataFolder);
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + kMainTableFile;
}

void RunLookup(ConfigApp& app, const std::wstring& word, MessageFilter* filter) {
  CodeTableViewSetup setup;
  setup.tablePath = MainTablePath(app);
  setup.word = word;
  // A second look-up finds this window by its title.
  setup.caption = InstanceTitle(kTitleCodeView, app.displayName);
  CodeTableView view(app, setup);
  view.RunModal(nullptr, filter);
}

}  // namespace

std::wstring LastCommittedText(const ImeContext* context) {
  if (!context || !context->imeBlock) return {};
  const ImeConfigBlock* ime = context->imeBlock;
  const int count = ime->recentCommitCount;
  // The count lives in a shared file: never trust it past the array.
  if (count <= 0 || count > 16) return {};
  const RecentCommitRecord& last = ime->recentCommits[count - 1];
  return std::wstring(last.word, BoundedLength(last.word, 16));
}

bool RunToolWindow(ConfigApp& app, ConfigMode mode, MessageFilter* filter) {
  switch (mode) {
    case ConfigMode::kDictionary: {
      DictDialog dialog(app, app.commandLine.text);
      dialog.RunModal(nullptr, filter);
      return true;
    }
    case ConfigMode::kOutputLookup:
      RunLookup(app, LastCommittedText(app.context), filter);
      return true;
    case ConfigMode::kClipboardLookup: {
      std::wstring text;
      if (!app.services.ReadClipboardText(text, kClipboardLookupUnits)) text.clear();
      RunLookup(app, text, filter);
      return true;
    }
    case ConfigMode::kKeyEditor: {
      KeyEditorDialog dialog(app);
      dialog.RunModal(nullptr, filter);
      return true;
    }
    case ConfigMode::kAddWordManual:
    case ConfigMode::kAddWordRecent: {
      AddWordDialog dialog(app, mode == ConfigMode::kAddWordManual ? AddWordMode::kManual
                                                                    : AddWordMode::kRecent,
                           kUserCategory);
      dialog.RunModal(nullptr, filter);
      return true;
    }
    default:
      return false;
  }
}
