// The Win32 implementation of the engine's OS services: the only engine file
// that reads and writes the registry, the clocks and the module's string table.
#include "engine/Os.h"

namespace {

HINSTANCE engineModule = nullptr;

}  // namespace

RegistryRead Win32OsServices::ReadMachineString(const wchar_t* keyPath,
                                                const wchar_t* valueName,
                                                wchar_t* out,
                                                uint32_t capacity) const {
  if (!out || capacity == 0) return RegistryRead::kValueMissing;
  out[0] = L'\0';
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return RegistryRead::kKeyMissing;
  // One unit is kept back so the text is terminated even when the stored
  // value carries no NUL of its own.
  DWORD type = 0;
  DWORD bytes = (capacity - 1) * sizeof(wchar_t);
  LONG rc = RegQueryValueExW(key, valueName, nullptr, &type,
                             reinterpret_cast<BYTE*>(out), &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    out[0] = L'\0';
    return RegistryRead::kValueMissing;
  }
  out[bytes / sizeof(wchar_t)] = L'\0';
  return RegistryRead::kOk;
}

uint64_t Win32OsServices::CurrentTimeSeconds() const {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  // FILETIME counts 100 ns from 1601; 11644473600 s separate 1601 and 1970.
  return ticks / 10000000ULL - 11644473600ULL;
}

uint64_t Win32OsServices::TickCount64() const {
  return GetTickCount64();
}

int Win32OsServices::LoadModuleString(uint32_t id, wchar_t* out, int capacity) const {
  if (!out || capacity <= 0) return 0;
  out[0] = L'\0';
  int n = LoadStringW(EngineModule(), id, out, capacity);
  if (n < 0) n = 0;
  out[n < capacity ? n : capacity - 1] = L'\0';
  return n;
}

void Win32OsServices::GetOsVersion(OSVERSIONINFOW* info) const {
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  GetVersionExW(info);
}

bool Win32OsServices::ReadUserBinary(const wchar_t* keyPath, const wchar_t* valueName, void* out,
                                     uint32_t capacity, uint32_t* sizeBytes) const {
  if (sizeBytes) *sizeBytes = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  // Size first, so a value larger than the buffer is refused, never cut.
  LONG rc = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &bytes);
  if (rc == ERROR_SUCCESS && type == REG_BINARY && bytes <= capacity) {
    rc = RegQueryValueExW(key, valueName, nullptr, &type, static_cast<BYTE*>(out), &bytes);
  } else {
    rc = ERROR_MORE_DATA;
  }
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_BINARY) return false;
  if (sizeBytes) *sizeBytes = bytes;
  return true;
}

bool Win32OsServices::WriteUserBinary(const wchar_t* keyPath, const wchar_t* valueName,
                                      const void* data, uint32_t sizeBytes) const {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG rc = RegSetValueExW(key, valueName, 0, REG_BINARY, static_cast<const BYTE*>(data), sizeBytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

const OsServices& DefaultOs() {
  static const Win32OsServices services;
  return services;
}

void SetEngineModule(HINSTANCE module) {
  engineModule = module;
}

HINSTANCE EngineModule() {
  return engineModule ? engineModule : GetModuleHandleW(nullptr);
}
