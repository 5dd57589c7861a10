// Helpers for the settings-text tests: a config.dsc image with its blocks
// located, and reading the UTF-16 text files the writer produces.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/ItfObject.h"
#include "engine/TextDecoder.h"
#include "tests/engine/CoreTestData.h"

namespace zn::test {

// The shipped config.dsc and the text it was built from (compile definitions
// of the test target).
inline const wchar_t* ShippedConfigPath() { return ZN_SHIPPED_CONFIG; }
inline const wchar_t* ShippedSettingsTextPath() { return ZN_SHIPPED_SETTINGS_TEXT; }

struct SettingsImage {
  std::vector<uint8_t> bytes;
  ConfigBlockSet blocks{};

  explicit SettingsImage(std::vector<uint8_t> image) : bytes(std::move(image)) {
    if (bytes.size() >= kConfigFileSize) {
      LocateConfigBlocks(bytes.data(), static_cast<uint32_t>(bytes.size()), &blocks);
    }
  }
  SettingsImage(const SettingsImage& other) : SettingsImage(other.bytes) {}
  bool ok() const { return blocks.ime && blocks.dme && blocks.skin && blocks.soft; }
};

// The module's settings-text table, released with the holder.
class SettingsCodec {
 public:
  SettingsCodec() { ZNITFGetObject(kItfSettingsText, &table_); }
  ~SettingsCodec() {
    if (table_) table_->release(table_);
  }
  SettingsCodec(const SettingsCodec&) = delete;
  SettingsCodec& operator=(const SettingsCodec&) = delete;
  const ItfObject* get() const { return table_; }

 private:
  ItfObject* table_ = nullptr;
};

inline std::wstring DecodeFile(const std::wstring& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  wchar_t* text = nullptr;
  if (DecodeTextBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()), &text) < 0) return L"";
  std::wstring result = text;
  FreeDecodedText(text);
  return result;
}

inline std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

}  // namespace zn::test
