// Keyboard-layout lookup and removal through the seam's registry and IMM calls.
#include "installer/core/KeyboardLayouts.h"

#include <algorithm>
#include <cwchar>

#include "installer/core/PathGuard.h"

namespace {

constexpr wchar_t kLayoutsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
constexpr wchar_t kLayoutsKey001[] = L"SYSTEM\\ControlSet001\\Control\\Keyboard Layouts";
constexpr wchar_t kPreloadKey[] = L"Keyboard Layout\\Preload";
constexpr wchar_t kPreloadChanged[] = L"HKEY_CURRENT_USER\\Keyboard Layout\\Preload";

uint32_t LowBits(uintptr_t layout) {
  return static_cast<uint32_t>(layout & 0xFFFFFFFFu);
}

// Layout handles of IMEs have the high bit set and come sign-extended.
uintptr_t LayoutFromLowBits(uint32_t low) {
  return static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(low)));
}

bool ParseLayoutText(const std::wstring& text, uint32_t* out) {
  if (text.size() != 8) return false;
  uint32_t value = 0;
  for (wchar_t c : text) {
    int digit = (c >= L'0' && c <= L'9')   ? c - L'0'
                : (c >= L'a' && c <= L'f') ? c - L'a' + 10
                : (c >= L'A' && c <= L'F') ? c - L'A' + 10
                                           : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  *out = value;
  return true;
}

std::wstring ValueText(const RegValue& value) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return std::wstring();
  return RegDataText(value.data);
}

bool IsNumberName(const std::wstring& name, uint32_t* number) {
  if (name.empty() || name.size() > 4) return false;
  uint32_t value = 0;
  for (wchar_t c : name) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  *number = value;
  return value > 0;
}

void EditPreload(InstallerOs& os, RegHive hive, const std::wstring& key, const std::wstring& text) {
  std::vector<RegValue> values;
  if (os.RegListValues(hive, key.c_str(), &values) != ERROR_SUCCESS) return;
  PreloadEdit edit = PlanPreloadRemoval(values, text);
  if (!edit.changed) return;
  for (const std::wstring& name : edit.deleteNames)
    os.RegRemoveValue(hive, key.c_str(), name.c_str());
  for (const auto& [name, data] : edit.writes) {
    os.RegWriteString(hive, key.c_str(), name.c_str(), data.c_str());
  }
}

}  // namespace

bool SameFileName(const std::wstring& a, const std::wstring& b) {
  auto name = [](const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
  };
  std::wstring nameA = name(a);
  return !nameA.empty() && SamePath(nameA, name(b));
}

std::wstring LayoutText(uintptr_t layout) {
  wchar_t text[16];
  swprintf(text, 16, L"%08X", LowBits(layout));
  return text;
}

std::vector<uintptr_t> FindImeLayouts(InstallerOs& os, const std::wstring& imeFile) {
  std::vector<uintptr_t> found;
  auto add = [&](uint32_t low) {
    uintptr_t layout = LayoutFromLowBits(low);
    if (std::find(found.begin(), found.end(), layout) == found.end()) found.push_back(layout);
  };
  std::vector<uintptr_t> loaded;
  os.ListKeyboardLayouts(&loaded);
  for (uintptr_t layout : loaded) {
    std::wstring file = os.ImeFileName(layout);
    if (!file.empty() && SameFileName(file, imeFile)) add(LowBits(layout));
  }
  // Layouts installed but not loaded in this session are found only here.
  std::vector<std::wstring> keys;
  os.RegListSubkeys(RegHive::kLocalMachine, kLayoutsKey, &keys);
  for (const std::wstring& name : keys) {
    uint32_t low = 0;
    if (!ParseLayoutText(name, &low)) continue;
    std::wstring file;
    std::wstring key = std::wstring(kLayoutsKey) + L"\\" + name;
    if (os.RegReadString(RegHive::kLocalMachine, key.c_str(), L"Ime File", &file) ==
            ERROR_SUCCESS &&
        SameFileName(file, imeFile)) {
      add(low);
    }
  }
  return found;
}

uintptr_t FindImeLayout(InstallerOs& os, const std::wstring& imeFile) {
  std::vector<uintptr_t> found = FindImeLayouts(os, imeFile);
  return found.empty() ? 0 : found.front();
}

PreloadEdit PlanPreloadRemoval(const std::vector<RegValue>& values,
                               const std::wstring& layoutText) {
  PreloadEdit edit;
  std::vector<std::pair<uint32_t, const RegValue*>> numbered;
  for (const RegValue& value : values) {
    uint32_t number = 0;
    if (IsNumberName(value.name, &number)) numbered.emplace_back(number, &value);
  }
  std::sort(numbered.begin(), numbered.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  uint32_t next = 1;
  for (const auto& [number, value] : numbered) {
    std::wstring data = ValueText(*value);
    if (SamePath(data, layoutText)) {
      edit.deleteNames.push_back(value->name);
      edit.changed = true;
      continue;
    }
    if (number != next) {
      edit.deleteNames.push_back(value->name);
      edit.writes.emplace_back(std::to_wstring(next), data);
      edit.changed = true;
    }
    ++next;
  }
  // A renamed value may take the name of one just deleted: delete first, then write.
  return edit;
}

int RemoveKeyboardLayouts(InstallerOs& os, const std::wstring& imeName, bool notify) {
  std::vector<uintptr_t> layouts = FindImeLayouts(os, imeName + L".ime");
  if (layouts.empty()) return 0;
  std::vector<std::wstring> users;
  os.RegListSubkeys(RegHive::kUsers, L"", &users);
  for (uintptr_t layout : layouts) {
    std::wstring text = LayoutText(layout);
    EditPreload(os, RegHive::kCurrentUser, kPreloadKey, text);
    os.RegRemoveTree(RegHive::kLocalMachine, (std::wstring(kLayoutsKey) + L"\\" + text).c_str());
    os.RegRemoveTree(RegHive::kLocalMachine, (std::wstring(kLayoutsKey001) + L"\\" + text).c_str());
    for (const std::wstring& user : users) {
      EditPreload(os, RegHive::kUsers, user + L"\\" + kPreloadKey, text);
    }
    os.UnloadLayout(layout);
    if (notify) os.UnloadLayout(layout);
  }
  if (notify) {
    for (int attempt = 0; attempt < 5 && !os.BroadcastSettingChange(kPreloadChanged); ++attempt) {
    }
    os.Sleep(200);
    os.BroadcastSettingChange(kPreloadChanged);
  }
  return 1;
}
