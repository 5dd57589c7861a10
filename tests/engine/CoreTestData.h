// Helpers for the engine-core tests: a scripted OsServices and a data folder
// with a fresh config.dsc and small table files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/Os.h"
#include "engine/Product.h"
#include "tests/common/TestFiles.h"

namespace zn::test {

// OS services answering from memory: registry values of one product key, a
// settable clock and tick count, and string 1 = the product key.
class FakeOs : public OsServices {
 public:
  std::wstring productKey = L"{00000000-1111-2222-3333-444444444444}";
  bool keyExists = true;
  std::map<std::wstring, std::wstring> values;
  uint64_t now = 1700000000;     // seconds since 1970
  uint64_t tickMs = 3600000;     // one hour of uptime

  RegistryRead ReadMachineString(const wchar_t* keyPath, const wchar_t* valueName, wchar_t* out,
                                 uint32_t capacity) const override {
    out[0] = L'\0';
    std::wstring path = keyPath;
    std::wstring expect = std::wstring(ZN_REGISTRY_ROOT) + L"\\" + productKey;
    if (!keyExists || (path != expect && path != expect + L"\\")) return RegistryRead::kKeyMissing;
    auto it = values.find(valueName);
    if (it == values.end() || it->second.size() + 1 > capacity) return RegistryRead::kValueMissing;
    std::memcpy(out, it->second.c_str(), (it->second.size() + 1) * sizeof(wchar_t));
    return RegistryRead::kOk;
  }
  uint64_t CurrentTimeSeconds() const override { return now; }
  uint64_t TickCount64() const override { return tickMs; }
  int LoadModuleString(uint32_t id, wchar_t* out, int capacity) const override {
    out[0] = L'\0';
    if (id != 1 || static_cast<int>(productKey.size()) >= capacity) return 0;
    std::memcpy(out, productKey.c_str(), (productKey.size() + 1) * sizeof(wchar_t));
    return static_cast<int>(productKey.size());
  }
  void GetOsVersion(OSVERSIONINFOW* info) const override {
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
  }
};

inline std::vector<uint8_t> DefaultConfig() {
  std::vector<uint8_t> bytes(kConfigFileSize);
  WriteDefaultConfigContainer(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return bytes;
}

inline ImeConfigBlock* ImeBlockOf(std::vector<uint8_t>& config) {
  return reinterpret_cast<ImeConfigBlock*>(config.data() + 140);
}

// A table file as big as a .dmg header with n fake records, edge below the end.
constexpr uint32_t kTestTableSize = 0x10288 + 4096;
inline std::vector<uint8_t> FakeTable(uint32_t count) {
  std::vector<uint8_t> bytes(kTestTableSize);
  uint32_t edge = kTestTableSize - 64 * count;
  std::memcpy(bytes.data(), &edge, 4);
  std::memcpy(bytes.data() + 4, &count, 4);
  for (size_t i = 0x88; i < 0x10088; i += 4) bytes[i] = 0x5A;
  return bytes;
}

// Fills folder (ending in a backslash) with config.dsc, main.dmg and temp.dmg
// and points the fake registry at it.
// The registry values that make CreateImeContext open folder (ending in a
// backslash) as the data folder.
inline void PointAtDataFolder(FakeOs& os, const std::wstring& folder) {
  os.values[L"IMEName"] = L"zinIME";
  os.values[L"InstallLocation"] = folder.substr(0, folder.size() - 1);
  os.values[L"DataLocation"] = folder;
}

inline void MakeDataFolder(FakeOs& os, const std::wstring& folder,
                           const std::vector<uint8_t>& config = DefaultConfig()) {
  WriteFileBytes(folder + L"config.dsc", config);
  WriteFileBytes(folder + L"main.dmg", FakeTable(3));
  WriteFileBytes(folder + L"temp.dmg", FakeTable(5));
  PointAtDataFolder(os, folder);
}

// Can the file be deleted, i.e. is no handle of ours left open on it.
inline bool NothingHolds(const std::wstring& path) {
  std::wstring probe = path + L".moved";
  if (!MoveFileW(path.c_str(), probe.c_str())) return false;
  MoveFileW(probe.c_str(), path.c_str());
  return true;
}

}  // namespace zn::test
