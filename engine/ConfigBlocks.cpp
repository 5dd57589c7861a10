// Finding the four settings blocks in config.dsc and writing an empty
// container with the product identity and the defaults needed to type.
#include "engine/ConfigBlocks.h"

#include <cstring>

#include "engine/ImeContext.h"
#include "engine/Product.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kSectionOffsets[4] = {140, 8432, 21776, 22436};

wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

bool NameEquals(const wchar_t* stored, const wchar_t* wanted) {
  uint32_t i = 0;
  for (; wanted[i] != L'\0'; ++i) {
    if (i >= kBlockNameUnits || AsciiLower(stored[i]) != AsciiLower(wanted[i])) return false;
  }
  return i == kBlockNameUnits || stored[i] == L'\0';
}

void WriteBlockHeader(uint8_t* file, uint32_t offset, uint32_t size, uint16_t id,
                      const wchar_t* name) {
  auto* block = reinterpret_cast<ConfigBlock*>(file + offset);
  block->size = size;
  block->id = id;
  CopyStringBounded(block->name, kBlockNameUnits, name);
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

ConfigBlock* FindConfigBlock(uint8_t* view, uint32_t viewSize, const wchar_t* name,
                             uint32_t minSize, uint32_t alignment) {
  if (!view || !name || viewSize < 4) return nullptr;
  uint32_t count = view[0];
  for (uint32_t i = 0; i < count; ++i) {
    // The offset table and every section are checked against the image: a
    // damaged or truncated file must not lead us outside the view.
    uint64_t slot = 4ull + 4ull * i;
    if (slot + 4 > viewSize) return nullptr;
    uint32_t offset;
    std::memcpy(&offset, view + slot, sizeof(offset));
    if (offset > viewSize || viewSize - offset < sizeof(ConfigBlock)) continue;
    auto* block = reinterpret_cast<ConfigBlock*>(view + offset);
    if (offset % 4 != 0) continue;
    if (!NameEquals(block->name, name)) continue;
    // The first section of that name decides; one we cannot use fails the
    // lookup rather than silently taking a later copy.
    if (offset % alignment != 0 || block->size < minSize || block->size > viewSize - offset)
      return nullptr;
    return block;
  }
  return nullptr;
}

bool LocateConfigBlocks(uint8_t* view, uint32_t viewSize, ConfigBlockSet* out) {
  ConfigBlockSet set{};
  set.soft = reinterpret_cast<SoftConfigBlock*>(FindConfigBlock(
      view, viewSize, kSoftBlockName, kSoftBlockSize, alignof(SoftConfigBlock)));
  set.ime = reinterpret_cast<ImeConfigBlock*>(FindConfigBlock(
      view, viewSize, kImeBlockName, kImeBlockSize, alignof(ImeConfigBlock)));
  set.dme = reinterpret_cast<DmeConfigBlock*>(FindConfigBlock(
      view, viewSize, kDmeBlockName, kDmeBlockSize, alignof(DmeConfigBlock)));
  set.skin = reinterpret_cast<SkinConfigBlock*>(FindConfigBlock(
      view, viewSize, kSkinBlockName, kSkinBlockSize, alignof(SkinConfigBlock)));
  bool all = set.soft && set.ime && set.dme && set.skin;
  if (out) *out = all ? set : ConfigBlockSet{};
  return all;
}

int BindConfigBlocks(ImeContext* context) {
  if (!context) return 0;
  context->softBlock = nullptr;
  context->imeBlock = nullptr;
  context->dmeBlock = nullptr;
  context->skinBlock = nullptr;
  MappedFile* file = context->files[kFileConfig];
  if (!file || !file->view) return 0;
  ConfigBlockSet set;
  if (!LocateConfigBlocks(file->view, file->size, &set)) return 0;
  context->softBlock = set.soft;
  context->imeBlock = set.ime;
  context->dmeBlock = set.dme;
  context->skinBlock = set.skin;
  return 1;
}

bool IsProductKeyText(const std::wstring& text) {
  uint8_t guid[16];
  return text.size() == 38 && ParseGuidText(text.c_str(), guid);
}

bool ParseGuidText(const wchar_t* text, uint8_t out[16]) {
  // Field widths in hex digits; the first three are stored little-endian.
  static constexpr int kDigits[5] = {8, 4, 4, 4, 12};
  if (!text || text[0] != L'{') return false;
  const wchar_t* p = text + 1;
  uint8_t bytes[16];
  int at = 0;
  for (int field = 0; field < 5; ++field) {
    if (field > 0 && *p++ != L'-') return false;
    uint8_t group[6];
    for (int k = 0; k < kDigits[field] / 2; ++k) {
      int hi = HexValue(p[0]);
      int lo = hi < 0 ? -1 : HexValue(p[1]);
      if (lo < 0) return false;
      group[k] = static_cast<uint8_t>(hi * 16 + lo);
      p += 2;
    }
    int n = kDigits[field] / 2;
    for (int k = 0; k < n; ++k) bytes[at++] = field < 3 ? group[n - 1 - k] : group[k];
  }
  if (p[0] != L'}' || p[1] != L'\0') return false;
  std::memcpy(out, bytes, 16);
  return true;
}

uint32_t WriteDefaultConfigContainer(uint8_t* out, uint32_t capacity) {
  if (!out || capacity < kConfigFileSize) return 0;
  std::memset(out, 0, kConfigFileSize);
  auto* header = reinterpret_cast<ConfigFileHeader*>(out);
  header->sectionCount = 4;
  for (int i = 0; i < 4; ++i) header->sectionOffset[i] = kSectionOffsets[i];
  WriteBlockHeader(out, kSectionOffsets[0], kImeBlockSize, 1, kImeBlockName);
  WriteBlockHeader(out, kSectionOffsets[1], kDmeBlockSize, 2, kDmeBlockName);
  WriteBlockHeader(out, kSectionOffsets[2], kSkinBlockSize, 3, kSkinBlockName);
  WriteBlockHeader(out, kSectionOffsets[3], kSoftBlockSize, 4, kSoftBlockName);

  auto* ime = reinterpret_cast<ImeConfigBlock*>(out + kSectionOffsets[0]);
  SetImePageSize(ime, 5);

  auto* dme = reinterpret_cast<DmeConfigBlock*>(out + kSectionOffsets[1]);
  dme->codeOptions = kDmeOptPrefixHints;
  dme->wildcardChar = 'z';
  for (int c = 'a'; c <= 'z'; ++c) dme->keyCharFlags[c] = kKeyCharStartsCode | kKeyCharContinuesCode;

  auto* soft = reinterpret_cast<SoftConfigBlock*>(out + kSectionOffsets[3]);
  CopyStringBounded(soft->displayName, 40, ZN_DISPLAY_NAME);
  CopyStringBounded(soft->imeName, 40, ZN_IME_NAME);
  ParseGuidText(ZN_PRODUCT_GUID_TEXT, soft->productGuid);
  soft->languageId = 0x0804;
  CopyStringBounded(soft->versionText, 40, ZN_VERSION_TEXT);
  // What the installer registers and shows: without a language name it
  // refuses to uninstall, without a folder name it would install into the
  // Program Files root.
  CopyStringBounded(soft->languageName, 40, ZN_LANGUAGE_NAME);
  CopyStringBounded(soft->installFolderName, 40, ZN_INSTALL_FOLDER_NAME);
  CopyStringBounded(soft->updateUrl, 256, ZN_UPDATE_URL);
  CopyStringBounded(soft->uninstallPage, 260, ZN_UNINSTALL_PAGE);
  soft->installerFlags = kProductShortcutFlags;
  CopyStringBounded(soft->categoryNames[0], 9, kProductMainTableName);
  for (int i = 0; i < 4; ++i) {
    CopyStringBounded(soft->categoryNames[i + 1], 9, kProductCategoryNames[i]);
  }
  for (int i = 0; i < 5; ++i) soft->categoryFlags[i] = kProductCategoryFlags[i];
  return kConfigFileSize;
}
