// Splitting the package file. Every header field is checked against the
// file before it is used: a damaged download must fail, not read past the end.
#include "installer/core/PackageSplit.h"

#include <cstring>
#include <string>
#include <vector>

#include "installer/core/ProductPaths.h"

namespace {

// Larger packages are not ours.
constexpr uint64_t kMaxPackageBytes = 512ull << 20;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kOptionalHeaderMinBytes = 112;  // through NumberOfRvaAndSizes
constexpr uint32_t kSectionHeaderBytes = 40;

bool Read16(const uint8_t* bytes, size_t size, uint64_t at, uint16_t* out) {
  if (at > size || size - at < 2) return false;
  std::memcpy(out, bytes + at, 2);
  return true;
}

bool Read32(const uint8_t* bytes, size_t size, uint64_t at, uint32_t* out) {
  if (at > size || size - at < 4) return false;
  std::memcpy(out, bytes + at, 4);
  return true;
}

struct PeLayout {
  uint64_t optionalHeader;  // file offset
  uint64_t imageEnd;        // end of headers and every section's raw data
};

bool ReadLayout(const uint8_t* bytes, size_t size, PeLayout* out) {
  uint16_t mz = 0;
  uint32_t peOffset = 0;
  uint32_t signature = 0;
  uint16_t sections = 0;
  uint16_t optionalBytes = 0;
  uint16_t magic = 0;
  uint32_t sizeOfHeaders = 0;
  if (!Read16(bytes, size, 0, &mz) || mz != 0x5A4D || !Read32(bytes, size, 0x3C, &peOffset) ||
      !Read32(bytes, size, peOffset, &signature) || signature != 0x00004550 ||
      !Read16(bytes, size, peOffset + 6ull, &sections) ||
      !Read16(bytes, size, peOffset + 20ull, &optionalBytes) ||
      optionalBytes < kOptionalHeaderMinBytes) {
    return false;
  }
  uint64_t optional = peOffset + 24ull;
  if (!Read16(bytes, size, optional, &magic) || magic != kPe32PlusMagic ||
      !Read32(bytes, size, optional + 60, &sizeOfHeaders)) {
    return false;
  }
  uint64_t table = optional + optionalBytes;
  uint64_t tableEnd = table + static_cast<uint64_t>(sections) * kSectionHeaderBytes;
  if (tableEnd > size) return false;
  uint64_t end = tableEnd > sizeOfHeaders ? tableEnd : sizeOfHeaders;
  for (uint32_t i = 0; i < sections; ++i) {
    uint32_t rawBytes = 0;
    uint32_t rawOffset = 0;
    uint64_t header = table + static_cast<uint64_t>(i) * kSectionHeaderBytes;
    if (!Read32(bytes, size, header + 16, &rawBytes) ||
        !Read32(bytes, size, header + 20, &rawOffset)) {
      return false;
    }
    if (rawBytes > 0 && static_cast<uint64_t>(rawOffset) + rawBytes > end)
      end = rawOffset + static_cast<uint64_t>(rawBytes);
  }
  *out = PeLayout{optional, end};
  return true;
}

}  // namespace

bool FindLoaderFlags(const uint8_t* bytes, size_t sizeBytes, uint32_t* offset) {
  PeLayout layout;
  if (!ReadLayout(bytes, sizeBytes, &layout)) return false;
  *offset = static_cast<uint32_t>(layout.optionalHeader + 104);
  return true;
}

bool ReadStubSize(const uint8_t* bytes, size_t sizeBytes, uint32_t* stubSize) {
  *stubSize = 0;
  PeLayout layout;
  uint32_t stored = 0;
  if (!ReadLayout(bytes, sizeBytes, &layout) ||
      !Read32(bytes, sizeBytes, layout.optionalHeader + 104, &stored)) {
    return false;
  }
  // Zero, past the end, or cutting into the image's own headers or sections.
  if (stored == 0 || stored >= sizeBytes || stored < layout.imageEnd) return false;
  *stubSize = stored;
  return true;
}

bool SplitOverlay(InstallerState& state, InstallerOs& os) {
  if (state.tempCopy) return true;
  std::vector<uint8_t> image;
  if (state.ownPath[0] == L'\0' || !os.ReadFile(state.ownPath, &image, kMaxPackageBytes)) {
    return state.packagePath[0] != L'\0' &&
           os.FileAttributes(state.packagePath) != INVALID_FILE_ATTRIBUTES;
  }
  uint32_t stubSize = 0;
  if (!ReadStubSize(image.data(), image.size(), &stubSize)) return false;
  std::wstring work = WithBackslash(state.workFolder);
  std::wstring stub = work + L"installer.exe";
  std::wstring archive = work + L"makedata.zip";
  if (!os.WriteFile(stub.c_str(), image.data(), stubSize) ||
      !os.WriteFile(archive.c_str(), image.data() + stubSize, image.size() - stubSize) ||
      !CopyToBuffer(state.stubPath, kPathUnits, stub) ||
      !CopyToBuffer(state.packagePath, kPathUnits, archive)) {
    return false;
  }
  return os.FileAttributes(archive.c_str()) != INVALID_FILE_ATTRIBUTES;
}
