// Filtering, cell texts, colours, copy text, caption and menus of the
// detail view.
#include "config/tables/ViewRows.h"

#include "engine/WideString.h"

namespace {

constexpr COLORREF kDeletedColour = RGB(255, 0, 0);
constexpr COLORREF kUserColour = RGB(0, 0, 128);
constexpr COLORREF kPlainColour = RGB(0, 0, 0);

bool CodeBeginsWith(const DmgRecord& record, const std::wstring& prefix) {
  if (prefix.empty()) return true;
  if (!record.code || prefix.size() > record.codeLen) return false;
  // Only the first prefix.size() bytes are converted, as the export writes them.
  wchar_t code[kDmgMaxCodeBytes + 1];
  CodeBytesToText(record.code, code, static_cast<int>(prefix.size()) + 1);
  return prefix.compare(0, prefix.size(), code, prefix.size()) == 0;
}

bool WordMatchesAt(const DmgRecord& record, uint32_t at, const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (RecordWordUnit(record, at + static_cast<uint32_t>(i)) != static_cast<uint16_t>(text[i]))
      return false;
  }
  return true;
}

bool WordMatches(const DmgRecord& record, const std::wstring& text, bool contains) {
  if (text.empty()) return true;
  if (text.size() > record.wordLenUnits) return false;
  const uint32_t last = record.wordLenUnits - static_cast<uint32_t>(text.size());
  for (uint32_t at = 0; at <= (contains ? last : 0); ++at) {
    if (WordMatchesAt(record, at, text)) return true;
  }
  return false;
}

std::wstring RecordWordText(const DmgRecord& record) {
  wchar_t word[kDmgMaxWordUnits + 2];
  CopyRecordWord(record, word, kDmgMaxWordUnits + 2);
  return word;
}

std::wstring RecordCodeText(const DmgRecord& record) {
  if (!record.code) return {};
  wchar_t code[kDmgMaxCodeBytes + 1];
  CodeBytesToText(record.code, code, kDmgMaxCodeBytes + 1);
  return code;
}

void CopyOut(const std::wstring& text, wchar_t* out, int capacity) {
  if (capacity > 0) CopyStringBounded(out, static_cast<uint32_t>(capacity), text.c_str());
}

}  // namespace

bool RecordPassesFilter(const DmgRecord& record, const ViewFilter& filter) {
  if (filter.deletedOnly) {
    if (!(record.attr & EntryAttr::kDeleted)) return false;
  } else if (filter.pinnedOnly) {
    if (!(record.attr & EntryAttr::kPinned)) return false;
  } else if (filter.category != 0 && EntryAttr::Category(record.attr) != filter.category) {
    return false;
  }
  return CodeBeginsWith(record, filter.code) && WordMatches(record, filter.word, filter.contains);
}

std::vector<uint32_t> FilterTableRows(const DmgView& view, const ViewFilter& filter,
                                      const std::atomic<bool>* stop) {
  std::vector<uint32_t> rows;
  rows.reserve(view.countRecords);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    if (stop && (i & 0xFFF) == 0 && stop->load(std::memory_order_relaxed)) break;
    DmgRecord record;
    if (ReadDmgRecord(view, i, &record) && RecordPassesFilter(record, filter)) rows.push_back(i);
  }
  return rows;
}

ViewColumnInfo ViewColumnOf(int column, TableFileKind kind) {
  const bool wordList = kind == TableFileKind::kAssociation || kind == TableFileKind::kEnglish;
  switch (column) {
    case kViewColumnNumber: return {L"序号", 80};
    case kViewColumnCode: return {L"编码", wordList ? 0 : 100};
    case kViewColumnWord: return {L"词条", 250};
    case kViewColumnCategory: return {L"分类", 150};
    case kViewColumnOrder: return {L"候选排序", 80};
    default: return {L"", 0};
  }
}

std::wstring ViewCategoryText(uint32_t attr, TableFileKind kind, const SoftConfigBlock* soft) {
  if (kind == TableFileKind::kAssociation) return L"联想表";
  if (kind == TableFileKind::kEnglish) return L"英文表";
  const uint32_t category = EntryAttr::Category(attr);
  std::wstring text;
  if (category == 4) {
    text = CategoryName(soft, 4);
  } else if (category == 1 || category == 2 || category == 3 || (category >= 16 && category < 32)) {
    text = CategoryName(soft, 0) + L" - " + CategoryName(soft, category);
  }
  if (attr & EntryAttr::kPinned) text += L" 固顶";
  if (attr & EntryAttr::kDeleted) text += L" 已删除";
  return text;
}

void ViewCellText(const DmgView& view, uint32_t position, int column, TableFileKind kind,
                  const SoftConfigBlock* soft, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = L'\0';
  DmgRecord record;
  if (!ReadDmgRecord(view, position, &record)) return;
  switch (column) {
    case kViewColumnNumber:
      FormatString(out, static_cast<uint32_t>(capacity), L"%u", position + 1);
      return;
    case kViewColumnCode:
      if (record.code) CodeBytesToText(record.code, out, capacity);
      return;
    case kViewColumnWord:
      CopyRecordWord(record, out, static_cast<uint32_t>(capacity));
      return;
    case kViewColumnCategory:
      CopyOut(ViewCategoryText(record.attr, kind, soft), out, capacity);
      return;
    case kViewColumnOrder:
      FormatString(out, static_cast<uint32_t>(capacity), L"%u", EntryAttr::Order(record.attr));
      return;
    default:
      return;
  }
}

COLORREF ViewRowColour(uint32_t attr) {
  if (attr & EntryAttr::kDeleted) return kDeletedColour;
  if (EntryAttr::Category(attr) == 2) return kUserColour;
  return kPlainColour;
}

std::wstring ViewCopyText(const DmgView& view, const std::vector<uint32_t>& selectedPositions) {
  const size_t taken = selectedPositions.size() < kMaxCopiedRows ? selectedPositions.size()
                                                                  : kMaxCopiedRows;
  std::wstring text;
  for (size_t i = taken; i-- > 0;) {
    DmgRecord record;
    if (!ReadDmgRecord(view, selectedPositions[i], &record)) continue;
    text += RecordWordText(record) + L"\t" + RecordCodeText(record) + L"\r\n";
  }
  return text;
}

std::wstring ViewCaption(TableFileKind kind, const std::wstring& displayName) {
  std::wstring caption;
  switch (kind) {
    case TableFileKind::kMain: caption = L"输入编码表详细视图"; break;
    case TableFileKind::kTemp: caption = L"临时码表详细视图"; break;
    case TableFileKind::kAssociation: caption = L"联想词库详细视图"; break;
    case TableFileKind::kEnglish: caption = L"英文词库详细视图"; break;
    case TableFileKind::kOther: caption = L"码表详细视图"; break;
  }
  if (!displayName.empty()) caption += L" - " + displayName;
  return caption;
}

std::vector<ViewCategoryEntry> ViewCategoryMenu(const SoftConfigBlock* soft) {
  std::vector<ViewCategoryEntry> entries;
  const std::wstring main = CategoryName(soft, 0);
  entries.push_back({2998, 1, main + L" - " + CategoryName(soft, 1) + L"(&S)"});
  for (uint32_t c = 16; c < 32; ++c) {
    const std::wstring name = CategoryName(soft, c);
    if (name.empty()) break;
    entries.push_back({2986 + static_cast<int>(c), c,
                       main + L" - " + name + L"(&" + std::to_wstring(c - 15) + L")"});
  }
  if (!CategoryName(soft, 3).empty())
    entries.push_back({2999, 3, main + L" - " + CategoryName(soft, 3) + L"(&N)"});
  if (!CategoryName(soft, 2).empty())
    entries.push_back({2997, 2, main + L" - " + CategoryName(soft, 2) + L"(&U)"});
  if (!CategoryName(soft, 4).empty()) entries.push_back({3001, 4, CategoryName(soft, 4) + L"(&T)"});
  return entries;
}

ViewEditState ViewEditStateFor(TableFileKind kind, uint32_t categoryFilter,
                               const SoftConfigBlock* soft) {
  ViewEditState state;
  if (kind != TableFileKind::kMain) return state;
  state.add = state.modify = categoryFilter == 0 || CategoryWritable(soft, categoryFilter);
  state.erase = state.restore = true;
  return state;
}

bool ViewEntryChangeable(uint32_t attr, const SoftConfigBlock* soft) {
  const uint32_t category = EntryAttr::Category(attr);
  return category == 2 || CategoryWritable(soft, category);
}

bool ReadViewEntry(const DmgView& view, uint32_t position, ViewEntry* out) {
  DmgRecord record;
  if (!ReadDmgRecord(view, position, &record)) return false;
  out->code = RecordCodeText(record);
  out->word = RecordWordText(record);
  out->attr = record.attr;
  return true;
}
