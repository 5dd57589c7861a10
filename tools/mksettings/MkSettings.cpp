// mksettings: builds the shipped config.dsc from the default whole-settings
// text: an empty four-block container with the product identity, with the
// text applied by the same reader config uses.
//   mksettings <settings text> <config.dsc>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "config/settingstext/SettingsText.h"
#include "engine/ConfigBlocks.h"
#include "engine/ImeOptionBits.h"
#include "engine/ItfObject.h"
#include "engine/Product.h"
#include "engine/TextDecoder.h"

namespace {

bool ReadFileBytes(const wchar_t* path, std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 24);
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes.empty() ||
         (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          read == bytes.size());
  }
  CloseHandle(file);
  return ok;
}

bool WriteFileBytes(const wchar_t* path, const uint8_t* bytes, uint32_t count) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes, count, &written, nullptr) && written == count;
  ok = CloseHandle(file) && ok;
  return ok;
}

// The settings text shows the options of the product's features only when
// their bits are set, so they go in before the text is applied.
void SetProductFeatures(ImeConfigBlock* ime) { ime->spaceWord |= kProductFeatureBits; }

int Fail(const char* what) {
  std::fprintf(stderr, "mksettings: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return Fail("usage: mksettings <settings text> <config.dsc>");

  std::vector<uint8_t> source;
  if (!ReadFileBytes(argv[1], source)) return Fail("cannot read the settings text");
  DecodedText text;
  if (!text.Decode(source.data(), static_cast<uint32_t>(source.size()))) return Fail("out of memory");

  std::vector<uint8_t> image(kConfigFileSize);
  ConfigBlockSet blocks{};
  if (WriteDefaultConfigContainer(image.data(), kConfigFileSize) != kConfigFileSize ||
      !LocateConfigBlocks(image.data(), kConfigFileSize, &blocks)) {
    return Fail("cannot lay out the container");
  }

  SetProductFeatures(blocks.ime);

  ItfObject* codec = nullptr;
  int parsed = 0;
  if (ZNITFGetObject(kItfSettingsText, &codec) && codec) {
    parsed = ParseSettingsText(text.Text(), blocks.ime, blocks.dme, blocks.skin, codec);
    codec->release(codec);
  }
  if (parsed != 1) return Fail("the settings text holds no settings section");

  if (!WriteFileBytes(argv[2], image.data(), kConfigFileSize)) return Fail("cannot write config.dsc");
  return 0;
}
