// The registry of the real installer seam: every hive, whole values, keys
// deleted with everything below them.
#include "installer/core/Win32InstallerOs.h"

namespace {

HKEY Root(RegHive hive) {
  switch (hive) {
    case RegHive::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegHive::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegHive::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegHive::kUsers:
      return HKEY_USERS;
  }
  return HKEY_LOCAL_MACHINE;
}

// Closes the key on every path out.
class OpenKey {
 public:
  OpenKey(RegHive hive, const wchar_t* path, REGSAM access, bool create) {
    if (create) {
      result_ = RegCreateKeyExW(Root(hive), path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                nullptr, &key_, nullptr);
    } else {
      result_ = RegOpenKeyExW(Root(hive), path, 0, access, &key_);
    }
    if (result_ != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }
  LONG result() const { return result_; }

 private:
  HKEY key_ = nullptr;
  LONG result_ = ERROR_SUCCESS;
};

LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, std::vector<uint8_t>* data) {
  DWORD bytes = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, type, nullptr, &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  // A value can grow between the two calls; a few tries are enough.
  for (int attempt = 0; attempt < 4; ++attempt) {
    data->resize(bytes);
    rc = RegQueryValueExW(key, name, nullptr, type, data->empty() ? nullptr : data->data(), &bytes);
    if (rc != ERROR_MORE_DATA) break;
  }
  if (rc == ERROR_SUCCESS) data->resize(bytes);
  return rc;
}

LONG ReadValue(RegHive hive, const wchar_t* key, const wchar_t* name, DWORD* type,
               std::vector<uint8_t>* data) {
  OpenKey open(hive, key, KEY_READ, false);
  return open.get() ? QueryValue(open.get(), name, type, data) : open.result();
}

}  // namespace

std::wstring RegDataText(const std::vector<uint8_t>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

std::vector<uint8_t> MultiStringData(const std::vector<std::wstring>& values) {
  std::wstring joined;
  for (const std::wstring& value : values) {
    // An empty string would end the list early.
    if (value.empty()) continue;
    joined.append(value.c_str());
    joined.push_back(L'\0');
  }
  joined.push_back(L'\0');
  std::vector<uint8_t> data(joined.size() * sizeof(wchar_t));
  memcpy(data.data(), joined.data(), data.size());
  return data;
}

std::vector<std::wstring> MultiStringValues(const std::vector<uint8_t>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  std::vector<std::wstring> values;
  // Ends at an empty string or at the end of the data, terminated or not.
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(L'\0', at);
    if (end == std::wstring::npos) end = text.size();
    if (end == at) break;
    values.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return values;
}

LONG Win32InstallerOs::RegReadString(RegHive hive, const wchar_t* key, const wchar_t* name,
                                     std::wstring* out) {
  out->clear();
  DWORD type = 0;
  std::vector<uint8_t> data;
  LONG rc = ReadValue(hive, key, name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATATYPE;
  *out = RegDataText(data);
  return ERROR_SUCCESS;
}

LONG Win32InstallerOs::RegReadDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                                    uint32_t* out) {
  *out = 0;
  DWORD type = 0;
  std::vector<uint8_t> data;
  LONG rc = ReadValue(hive, key, name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_DWORD || data.size() != 4) return ERROR_INVALID_DATATYPE;
  memcpy(out, data.data(), 4);
  return ERROR_SUCCESS;
}

LONG Win32InstallerOs::RegWriteString(RegHive hive, const wchar_t* key, const wchar_t* name,
                                      const wchar_t* value) {
  OpenKey open(hive, key, KEY_SET_VALUE, true);
  if (!open.get()) return open.result();
  DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  return RegSetValueExW(open.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

LONG Win32InstallerOs::RegWriteDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                                     uint32_t value) {
  OpenKey open(hive, key, KEY_SET_VALUE, true);
  if (!open.get()) return open.result();
  DWORD data = value;
  return RegSetValueExW(open.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof(data));
}

LONG Win32InstallerOs::RegRemoveValue(RegHive hive, const wchar_t* key, const wchar_t* name) {
  OpenKey open(hive, key, KEY_SET_VALUE, false);
  if (!open.get()) return open.result();
  return RegDeleteValueW(open.get(), name);
}

LONG Win32InstallerOs::RegRemoveTree(RegHive hive, const wchar_t* key) {
  if (!key || !key[0]) return ERROR_INVALID_PARAMETER;  // never a whole hive
  LONG rc = RegDeleteTreeW(Root(hive), key);
  if (rc != ERROR_SUCCESS) return rc;
  // Some versions empty the key but keep it.
  LONG gone = RegDeleteKeyW(Root(hive), key);
  return gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
}

LONG Win32InstallerOs::RegMakeKey(RegHive hive, const wchar_t* key) {
  OpenKey open(hive, key, KEY_READ, true);
  return open.result();
}

bool Win32InstallerOs::RegKeyExists(RegHive hive, const wchar_t* key) {
  OpenKey open(hive, key, KEY_READ, false);
  return open.get() != nullptr;
}

bool Win32InstallerOs::RegCanWrite(RegHive hive, const wchar_t* key) {
  OpenKey open(hive, key, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, false);
  return open.get() != nullptr;
}

LONG Win32InstallerOs::RegListSubkeys(RegHive hive, const wchar_t* key,
                                      std::vector<std::wstring>* out) {
  out->clear();
  OpenKey open(hive, key, KEY_READ, false);
  if (!open.get()) return open.result();
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD units = 256;
    LONG rc = RegEnumKeyExW(open.get(), index, name, &units, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    out->emplace_back(name, units);
  }
}

LONG Win32InstallerOs::RegListValues(RegHive hive, const wchar_t* key, std::vector<RegValue>* out) {
  out->clear();
  OpenKey open(hive, key, KEY_READ, false);
  if (!open.get()) return open.result();
  // Value names reach 16,383 units.
  std::vector<wchar_t> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD units = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD bytes = 0;
    LONG rc =
        RegEnumValueW(open.get(), index, name.data(), &units, nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    RegValue value;
    value.name.assign(name.data(), units);
    value.type = type;
    rc = QueryValue(open.get(), value.name.c_str(), &type, &value.data);
    if (rc != ERROR_SUCCESS) return rc;
    out->push_back(std::move(value));
  }
}

LONG Win32InstallerOs::RegReadStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                                      std::vector<std::wstring>* out) {
  out->clear();
  DWORD type = 0;
  std::vector<uint8_t> data;
  LONG rc = ReadValue(hive, key, name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_MULTI_SZ) return ERROR_INVALID_DATATYPE;
  *out = MultiStringValues(data);
  return ERROR_SUCCESS;
}

LONG Win32InstallerOs::RegWriteStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                                       const std::vector<std::wstring>& values) {
  OpenKey open(hive, key, KEY_SET_VALUE, true);
  if (!open.get()) return open.result();
  std::vector<uint8_t> data = MultiStringData(values);
  return RegSetValueExW(open.get(), name, 0, REG_MULTI_SZ, data.data(),
                        static_cast<DWORD>(data.size()));
}
