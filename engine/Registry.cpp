// Registry readers of the product key, on top of the OS services seam.
#include "engine/Registry.h"

#include "engine/Product.h"
#include "engine/WideString.h"

namespace {

// A product key too long for the path buffer would otherwise open a key cut
// short, i.e. some other product's key.
bool BuildKeyPath(wchar_t* path, const wchar_t* productKey, bool trailingSlash) {
  if (!productKey || productKey[0] == L'\0') return false;
  const wchar_t* format = trailingSlash ? ZN_REGISTRY_ROOT L"\\%s\\" : ZN_REGISTRY_ROOT L"\\%s";
  return FormatString(path, kRegistryPathUnits, format, productKey) == S_OK;
}

}  // namespace

int ReadImeRegistryValue(const wchar_t* productKey,
                         const wchar_t* valueName,
                         wchar_t* out,
                         uint32_t capacity,
                         const OsServices& os) {
  if (!out || capacity == 0) return 0;
  out[0] = L'\0';
  wchar_t path[kRegistryPathUnits];
  if (!BuildKeyPath(path, productKey, true)) return 0;
  return os.ReadMachineString(path, valueName, out, capacity) == RegistryRead::kOk ? 1 : 0;
}

int ReadImeName(const wchar_t* productKey, wchar_t* out, const OsServices& os) {
  if (!out) return 0;
  out[0] = L'\0';
  wchar_t path[kRegistryPathUnits];
  if (!BuildKeyPath(path, productKey, false)) return 0;
  return os.ReadMachineString(path, L"IMEName", out, kImeNameUnits) == RegistryRead::kKeyMissing
             ? 0
             : 1;
}

int ReadInstallLocation(const wchar_t* productKey,
                        wchar_t* out,
                        uint32_t capacity,
                        const OsServices& os) {
  if (!out || capacity == 0) return 0;
  if (!ReadImeRegistryValue(productKey, L"InstallLocation", out, capacity, os)) return 0;
  uint32_t n = BoundedLength(out, capacity);
  if (n == 0) return 0;
  if (out[n - 1] != L'\\' && AppendStringBounded(out, capacity, L"\\") != S_OK) {
    out[0] = L'\0';
    return 0;
  }
  return 1;
}
