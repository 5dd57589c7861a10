// A fake input context for skin loading: install folder with tessel\, the
// appearance block and a SkinData, all owned by the test.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/ConfigBlocks.h"
#include "tests/common/TempDir.h"
#include "tests/ui/SkinFixture.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinLoader.h"

namespace zn::test {

struct SkinDataDeleter {
  void operator()(SkinData* skin) const {
    FreeSkin(&skin->images);
    ClearSkinList(&skin->list);
    GlobalFree(skin);
  }
};
using SkinDataPtr = std::unique_ptr<SkinData, SkinDataDeleter>;

inline SkinDataPtr NewSkinData() {
  return SkinDataPtr(static_cast<SkinData*>(GlobalAlloc(GPTR, sizeof(SkinData))));
}

class SkinHostFixture {
 public:
  SkinHostFixture() : skin_(NewSkinData()) { CreateDirectoryW(Tessel().c_str(), nullptr); }
  std::wstring Tessel() const { return dir_.path() + L"tessel\\"; }
  const TempDir& dir() const { return dir_; }
  SkinConfigBlock& block() { return block_; }
  SkinData* skin() { return skin_.get(); }
  SkinHost Host(HWND status = nullptr, HWND candidate = nullptr) {
    return {skin_.get(), dir_.path().c_str(), &block_, status, candidate};
  }

  // Writes a valid skin named `name` into tessel\ (or the install folder).
  void AddSkin(const std::wstring& file, const std::wstring& name, bool inTessel = true) {
    std::wstring folder = inTessel ? Tessel() : dir_.path();
    WriteFileBytes(folder + file, SampleSkin(name).Build());
  }
  void Configure(const wchar_t* name) {
    wcsncpy(block_.skinName, name, 39);
    block_.skinName[39] = 0;
  }
  std::wstring LoadedName() const {
    const wchar_t* path = skin_->values.loadedPath;
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : L"";
  }

 private:
  TempDir dir_;
  SkinConfigBlock block_{};
  SkinDataPtr skin_;
};

}  // namespace zn::test
