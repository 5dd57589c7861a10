// Operating-system services the engine needs (registry, clocks, string
// resources, OS version) behind one small interface, so tests can script them.
#pragma once

#include <windows.h>
#include <cstdint>

enum class RegistryRead { kOk, kKeyMissing, kValueMissing };

// Windows 8 and later: the taskbar's input indicator, modern-UI hosts.
inline bool IsWindows8OrLater(const OSVERSIONINFOW& v) {
  return v.dwMajorVersion > 6 || (v.dwMajorVersion == 6 && v.dwMinorVersion >= 2);
}

class OsServices {
 public:
  virtual ~OsServices() = default;

  // Reads a string value of HKEY_LOCAL_MACHINE\keyPath into out. capacity is in
  // UTF-16 units and includes the terminator; out is always terminated (empty
  // unless kOk). A value that does not fit, or is no string, reads as missing.
  virtual RegistryRead ReadMachineString(const wchar_t* keyPath,
                                         const wchar_t* valueName,
                                         wchar_t* out,
                                         uint32_t capacity) const = 0;
  // Seconds since 1970-01-01 UTC.
  virtual uint64_t CurrentTimeSeconds() const = 0;
  // Milliseconds since the computer started; 64 bits, so it never wraps.
  virtual uint64_t TickCount64() const = 0;
  // Copies string resource id of the engine module into out (capacity in
  // units, terminator included); returns the units copied, 0 when missing.
  virtual int LoadModuleString(uint32_t id, wchar_t* out, int capacity) const = 0;
  virtual void GetOsVersion(OSVERSIONINFOW* info) const = 0;

  // A REG_BINARY value of HKEY_CURRENT_USER\keyPath. The read copies at most
  // capacity bytes and gives the stored size in *sizeBytes; false when the
  // key or value is missing, is not binary, or is larger than capacity. The
  // write creates the key when needed; false when it cannot be written.
  virtual bool ReadUserBinary(const wchar_t* keyPath, const wchar_t* valueName, void* out,
                              uint32_t capacity, uint32_t* sizeBytes) const {
    (void)keyPath;
    (void)valueName;
    (void)out;
    (void)capacity;
    if (sizeBytes) *sizeBytes = 0;
    return false;
  }
  virtual bool WriteUserBinary(const wchar_t* keyPath, const wchar_t* valueName, const void* data,
                               uint32_t sizeBytes) const {
    (void)keyPath;
    (void)valueName;
    (void)data;
    (void)sizeBytes;
    return false;
  }
};

class Win32OsServices : public OsServices {
 public:
  RegistryRead ReadMachineString(const wchar_t* keyPath,
                                 const wchar_t* valueName,
                                 wchar_t* out,
                                 uint32_t capacity) const override;
  uint64_t CurrentTimeSeconds() const override;
  uint64_t TickCount64() const override;
  int LoadModuleString(uint32_t id, wchar_t* out, int capacity) const override;
  void GetOsVersion(OSVERSIONINFOW* info) const override;
  bool ReadUserBinary(const wchar_t* keyPath, const wchar_t* valueName, void* out, uint32_t capacity,
                      uint32_t* sizeBytes) const override;
  bool WriteUserBinary(const wchar_t* keyPath, const wchar_t* valueName, const void* data,
                       uint32_t sizeBytes) const override;
};

// The real services; stateless, shared by every context of the process.
const OsServices& DefaultOs();

// The module whose string table holds the product key. The front end sets it
// at attach; until then the executable itself is used.
void SetEngineModule(HINSTANCE module);
HINSTANCE EngineModule();
