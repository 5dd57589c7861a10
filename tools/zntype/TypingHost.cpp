// Data-layer typing: code keys grow the code, each change searches main.dmg
// for the exact and the longer codes, digits and space choose a candidate.
#include "tools/zntype/TypingHost.h"

#include <windows.h>

#include "engine/DmgTable.h"
#include "engine/WideString.h"

namespace {

constexpr int kMaxShown = 3000;

}  // namespace

TypingHost::TypingHost(ImeContext* context) : context_(context) {}

int TypingHost::PageSize() const {
  uint32_t n = context_->imeBlock ? ImePageSize(context_->imeBlock) : 5;
  return (n >= 1 && n <= 10) ? static_cast<int>(n) : 5;
}

std::wstring TypingHost::Code() const {
  return std::wstring(context_->code, context_->codeLength);
}

std::wstring TypingHost::Composition() const {
  return std::wstring(context_->composition, context_->compositionLength);
}

std::wstring TypingHost::Commit() const {
  return std::wstring(context_->commitText, context_->commitLength);
}

std::vector<ShownCandidate> TypingHost::Page() const {
  std::vector<ShownCandidate> page;
  int first = page_ * PageSize();
  for (int i = first; i < first + PageSize() && i < static_cast<int>(candidates_.size()); ++i)
    page.push_back(candidates_[i]);
  return page;
}

bool TypingHost::TakesAsCode(wchar_t ch) const {
  if (ch == 0 || ch >= 0x80 || !context_->dmeBlock) return false;
  uint8_t flags = context_->dmeBlock->keyCharFlags[ch];
  uint8_t wanted = context_->codeLength == 0 ? kKeyCharStartsCode : kKeyCharContinuesCode;
  return (flags & wanted) != 0 && context_->codeLength < kMaxCodeUnits;
}

void TypingHost::Search() {
  candidates_.clear();
  page_ = 0;
  selection_ = 0;
  uint8_t code[257];
  int len = CodeTextToBytes(context_->code, code);
  MappedFile* table = context_->files[kFileMain];
  if (len <= 0 || !table) return;
  DmgRange exact = FindExactCodeRange(table, code + 1, len);
  DmgRange prefix = FindPrefixRange(table, code + 1, len);
  DmgView view = GetDmgView(table);
  bool hints = context_->dmeBlock && (context_->dmeBlock->codeOptions & kDmeOptPrefixHints);
  auto add = [&](uint32_t position, bool withHint) {
    DmgRecord record;
    if (static_cast<int>(candidates_.size()) >= kMaxShown || !ReadDmgRecord(view, position, &record))
      return;
    if (record.attr & EntryAttr::kDeleted) return;
    wchar_t word[kDmgMaxWordUnits + 1];
    CopyRecordWord(record, word, kDmgMaxWordUnits + 1);
    ShownCandidate shown{word, L""};
    if (withHint) {
      wchar_t full[257];
      CodeBytesToText(record.code, full, 257);
      shown.hint = full + len;
    }
    candidates_.push_back(shown);
  };
  for (uint32_t p = exact.start; p < exact.end; ++p) add(p, false);
  if (!hints) return;
  for (uint32_t p = prefix.start; p < prefix.end; ++p) {
    if (p < exact.start || p >= exact.end) add(p, true);
  }
}

void TypingHost::ClearCode() {
  context_->codeLength = 0;
  context_->cursor = 0;
  context_->code[0] = L'\0';
  context_->compositionLength = 0;
  context_->composition[0] = L'\0';
  candidates_.clear();
  page_ = 0;
  selection_ = 0;
}

void TypingHost::CommitText(const std::wstring& text) {
  CopyStringBounded(context_->commitText, 130, text.c_str());
  context_->commitLength = static_cast<int32_t>(BoundedLength(context_->commitText, 130));
  CopyStringBounded(context_->lastOutput, 130, context_->commitText);
  context_->lastOutputLength = context_->commitLength;
  ClearCode();
}

bool TypingHost::CommitSlot(int slot) {
  int index = page_ * PageSize() + slot;
  if (slot < 0 || slot >= PageSize() || index >= static_cast<int>(candidates_.size())) return false;
  CommitText(candidates_[index].word);
  return true;
}

bool TypingHost::Apply(const KeyStroke& key) {
  context_->commitLength = 0;
  context_->commitText[0] = L'\0';
  int pages = (static_cast<int>(candidates_.size()) + PageSize() - 1) / PageSize();
  bool composing = context_->codeLength > 0;
  if (!key.ctrl && !key.alt && TakesAsCode(key.ch)) {
    context_->code[context_->codeLength++] = key.ch;
    context_->code[context_->codeLength] = L'\0';
    context_->cursor = context_->codeLength;
    CopyStringBounded(context_->composition, kMaxCodeUnits + 1, context_->code);
    context_->compositionLength = context_->codeLength;
    Search();
    return true;
  }
  if (!composing) {
    if (key.ch != 0 && !key.ctrl && !key.alt) {
      CommitText(std::wstring(1, key.ch));
      return true;
    }
    return false;
  }
  if (key.ctrl || key.alt) return false;
  switch (key.virtualKey) {
    case VK_BACK:
      context_->code[--context_->codeLength] = L'\0';
      context_->cursor = context_->codeLength;
      CopyStringBounded(context_->composition, kMaxCodeUnits + 1, context_->code);
      context_->compositionLength = context_->codeLength;
      Search();
      if (context_->codeLength == 0) ClearCode();
      return true;
    case VK_ESCAPE:
      ClearCode();
      return true;
    case VK_RETURN:
      CommitText(Code());
      return true;
    case VK_SPACE:
      if (!CommitSlot(selection_)) CommitText(Code());
      return true;
    case VK_NEXT:
      if (page_ + 1 < pages) ++page_, selection_ = 0;
      return true;
    case VK_PRIOR:
      if (page_ > 0) --page_, selection_ = 0;
      return true;
    case VK_LEFT:
    case VK_UP:
      if (selection_ > 0) --selection_;
      return true;
    case VK_RIGHT:
    case VK_DOWN:
      if (selection_ + 1 < static_cast<int>(Page().size())) ++selection_;
      return true;
    default:
      break;
  }
  if (key.ch >= L'0' && key.ch <= L'9' && !key.shift) {
    int slot = key.ch == L'0' ? 9 : key.ch - L'1';
    if (CommitSlot(slot)) return true;
  }
  if (key.ch != 0) {
    // Any other character commits the selection and then itself.
    std::wstring text = candidates_.empty() ? Code() : candidates_[page_ * PageSize() + selection_].word;
    CommitText(text + key.ch);
    return true;
  }
  return false;
}
