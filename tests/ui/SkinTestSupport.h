// Skin archives made by the tests (a valid skin.ini and the pictures a skin
// needs, to be varied or damaged per test) and a fake host for skin loading:
// install folder with tessel\, the appearance block and a SkinData.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "tests/common/TempDir.h"
#include "tests/ui/PngWriter.h"
#include "tests/ui/ZipWriter.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinLoader.h"

namespace zn::test {

// skin.ini text as UTF-16LE with a byte-order mark.
inline std::vector<uint8_t> Utf16Ini(const std::wstring& text) {
  std::vector<uint8_t> out = {0xFF, 0xFE};
  for (wchar_t c : text) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

inline std::wstring SampleIni(const std::wstring& name) {
  return L"[-皮肤信息-]\r\n名称=" + name +
         L"\r\n版本=2.0\r\n"
         L"[-文字显示-]\r\n候选字体名称=微软雅黑\r\n候选字体大小=-17\r\n"
         L"候选字体颜色=#3355443\r\n"
         L"[-状态栏窗口-]\r\n状态栏默认位置=3\r\n菜单按钮位置=40,5\r\n"
         L"[-候选窗口-合并-]\r\n横向拉伸区域=10,20\r\n纵向拉伸区域=4,8\r\n右边距=9\r\n";
}

constexpr const char* kRequiredPictures[] = {"bar.png", "candHB.png", "candHB_shu.png",
                                             "candQR.png", "candQR_shu.png"};

// A complete skin: skin.ini, the five window pictures and one button; the
// pictures are 30 x 16 except bar (60 x 20). `skip` leaves one entry out.
inline ZipWriter SampleSkin(const std::wstring& name, const std::string& skip = "") {
  ZipWriter zip;
  if (skip != "skin.ini") zip.Add("skin.ini", Utf16Ini(SampleIni(name)), true);
  for (const char* picture : kRequiredPictures) {
    if (skip == picture) continue;
    bool bar = std::string(picture) == "bar.png";
    zip.Add(picture, bar ? SolidPng(60, 20) : SolidPng(30, 16), true);
  }
  if (skip != "menu.png") zip.Add("menu.png", SolidPng(8, 8, 1, 2, 3, 255));
  return zip;
}

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
