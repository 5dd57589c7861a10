// Rows, button states, export names and the in-use switch of the manager page.
#include "config/tables/TableList.h"

#include <cwctype>
#include <string_view>

namespace {

constexpr wchar_t kYes[] = L"√";
constexpr wchar_t kNotApplicable[] = L"-";

std::wstring Mark(uint32_t flags, uint32_t bit) { return (flags & bit) ? kYes : L""; }

uint32_t FlagsOf(const SoftConfigBlock* soft, uint32_t category) {
  return soft && category < 32 ? soft->categoryFlags[category] : 0;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && !b[i];
}

TableRow CategoryRow(const SoftConfigBlock* soft, const TableCounts& counts, uint32_t category,
                     std::wstring name) {
  TableRow row;
  row.number = static_cast<int>(category);
  row.name = std::move(name);
  row.count = counts.byCategory[category];
  row.writable = Mark(FlagsOf(soft, category), kCategoryWritable);
  row.inUse = Mark(FlagsOf(soft, category), kCategoryInUse);
  return row;
}

TableRow OtherTableRow(TableFileKind kind, const wchar_t* name, uint32_t count) {
  TableRow row;
  row.table = kind;
  row.name = name;
  row.count = count;
  row.writable = kNotApplicable;
  row.inUse = kNotApplicable;
  return row;
}

}  // namespace

TableFileKind TableKindOfPath(const std::wstring& path) {
  const std::wstring name = FileNameOf(path);
  if (EqualsNoCase(name, kMainTableFile)) return TableFileKind::kMain;
  if (EqualsNoCase(name, kTempTableFile)) return TableFileKind::kTemp;
  if (EqualsNoCase(name, kAssociationTableFile)) return TableFileKind::kAssociation;
  if (EqualsNoCase(name, kEnglishTableFile)) return TableFileKind::kEnglish;
  return TableFileKind::kOther;
}

std::wstring CategoryName(const SoftConfigBlock* soft, uint32_t category) {
  if (!soft || category >= 32) return {};
  const wchar_t* name = soft->categoryNames[category];
  size_t n = 0;
  while (n < 9 && name[n]) ++n;
  return std::wstring(name, n);
}

bool CategoryWritable(const SoftConfigBlock* soft, uint32_t category) {
  return (FlagsOf(soft, category) & kCategoryWritable) != 0;
}

std::vector<TableRow> BuildTableRows(const SoftConfigBlock* soft, const TableCounts& counts) {
  std::vector<TableRow> rows;
  const std::wstring main = CategoryName(soft, 0);
  TableRow whole = CategoryRow(soft, counts, 0, L"输入编码表");
  whole.count = counts.mainTotal;
  whole.inUse = kNotApplicable;
  rows.push_back(whole);
  rows.push_back(CategoryRow(soft, counts, 1, L"    " + main + L" - " + CategoryName(soft, 1)));
  for (uint32_t c = 16; c < 32; ++c) {
    const std::wstring name = CategoryName(soft, c);
    if (name.empty()) break;
    rows.push_back(CategoryRow(soft, counts, c, L"    " + main + L" - " + name));
  }
  for (uint32_t c : {3u, 2u}) {
    const std::wstring name = CategoryName(soft, c);
    if (!name.empty()) rows.push_back(CategoryRow(soft, counts, c, L"    " + main + L" - " + name));
  }
  const std::wstring auxiliary = CategoryName(soft, 4);
  if (!auxiliary.empty()) rows.push_back(CategoryRow(soft, counts, 4, L"    " + auxiliary));
  if (counts.tempOpen) rows.push_back(OtherTableRow(TableFileKind::kTemp, L"临时词表", counts.temp));
  if (counts.associationOpen)
    rows.push_back(OtherTableRow(TableFileKind::kAssociation, L"联想码表", counts.association));
  if (counts.englishOpen)
    rows.push_back(OtherTableRow(TableFileKind::kEnglish, L"英文码表", counts.english));
  return rows;
}

TableButtons ButtonsForRow(const TableRow* row, const SoftConfigBlock* soft) {
  TableButtons buttons;
  if (!row) return buttons;
  switch (row->table) {
    case TableFileKind::kMain: {
      if (row->number < 0 || row->number > 31) return buttons;
      const bool writable = CategoryWritable(soft, static_cast<uint32_t>(row->number));
      buttons.edit = true;
      buttons.import = buttons.exportTable = buttons.replace = buttons.clear = writable;
      buttons.editText = writable ? L"编辑(&E)" : L"查看(&E)";
      return buttons;
    }
    case TableFileKind::kTemp:
      buttons.edit = buttons.clear = true;
      buttons.editText = L"查看(&V)";
      return buttons;
    case TableFileKind::kAssociation:
    case TableFileKind::kEnglish:
      buttons.edit = buttons.import = buttons.exportTable = buttons.replace = buttons.clear = true;
      return buttons;
    case TableFileKind::kOther:
      return buttons;
  }
  return buttons;
}

const wchar_t* TableFileOfRow(const TableRow& row) {
  switch (row.table) {
    case TableFileKind::kMain: return kMainTableFile;
    case TableFileKind::kTemp: return kTempTableFile;
    case TableFileKind::kAssociation: return kAssociationTableFile;
    case TableFileKind::kEnglish: return kEnglishTableFile;
    case TableFileKind::kOther: return L"";
  }
  return L"";
}

std::wstring SafeFileNamePart(const std::wstring& name) {
  static constexpr wchar_t kRefused[] = L"\\/:*?\"<>|";
  std::wstring safe;
  for (size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (c < 0x20 || std::wstring_view(kRefused).find(c) != std::wstring_view::npos) {
      safe += L'_';
    } else if (c == L'.' && i + 1 < name.size() && name[i + 1] == L'.') {
      // A run of dots could climb out of the folder: it becomes one "_".
      while (i + 1 < name.size() && name[i + 1] == L'.') ++i;
      safe += L'_';
    } else {
      safe += c;
    }
  }
  // Windows drops trailing dots and blanks, which would change the name.
  for (size_t i = safe.size(); i > 0 && (safe[i - 1] == L'.' || safe[i - 1] == L' '); --i) {
    safe[i - 1] = L'_';
  }
  if (safe.empty()) safe = L"_";
  return safe;
}

std::wstring ExportFolderFor(const std::wstring& documents, const std::wstring& displayName) {
  std::wstring folder = documents;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L"[ " + SafeFileNamePart(displayName) + L" ]";
}

std::wstring ExportFileName(const TableRow& row, const SoftConfigBlock* soft,
                            const std::wstring& folder) {
  std::wstring name;
  switch (row.table) {
    case TableFileKind::kAssociation: name = L"导出 - 联想码表"; break;
    case TableFileKind::kEnglish: name = L"导出 - 英文码表"; break;
    case TableFileKind::kMain: {
      if (row.number < 0 || row.number > 31) return {};
      const uint32_t category = static_cast<uint32_t>(row.number);
      const std::wstring categoryName = SafeFileNamePart(CategoryName(soft, category));
      if (category == 0) {
        name = L"导出 - 全部词条";
      } else if (category == 2) {
        name = L"导出 - 主码 - " + categoryName;
      } else if (!CategoryWritable(soft, category)) {
        return {};
      } else if (category == 3) {
        name = L"导出 - 次显 - " + categoryName;
      } else if (category == 4) {
        name = L"导出 - 辅码 - " + categoryName;
      } else if (category == 1 || category >= 16) {
        name = L"导出 - 主码 - " + categoryName;
      } else {
        return {};
      }
      break;
    }
    case TableFileKind::kTemp:
    case TableFileKind::kOther:
      return {};
  }
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + name + L".txt";
}

int32_t ExportSelector(const TableRow& row) {
  return row.table == TableFileKind::kMain ? row.number : -1;
}

bool ToggleCategoryInUse(SoftConfigBlock* soft, int category) {
  // The whole-table row shows "-" for the switch: it has none.
  if (!soft || category < 1 || category > 31) return false;
  soft->categoryFlags[category] ^= kCategoryInUse;
  return true;
}
