// A context over a scratch config.dsc mapped from a temporary data folder,
// an install folder with the shipped skins, and a parent window for the
// settings pages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "engine/MappedFile.h"
#include "engine/WideString.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestFiles.h"
#include "tests/ui/ShippedSkins.h"

namespace zn::test {

inline std::wstring ShippedSkinPath(const wchar_t* file) {
  std::wstring path = L"Z:";
  for (const char* p = ZN_TEST_TESSEL_UNIX; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path + L"\\" + file;
}

class PageContext {
 public:
  explicit PageContext(bool withSkins = true) {
    std::vector<uint8_t> config(kConfigFileSize);
    WriteDefaultConfigContainer(config.data(), kConfigFileSize);
    WriteFileBytes(ConfigPath(), config);
    context_ = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
    OpenMappedFile(&context_->files[kFileConfig], ConfigPath().c_str());
    BindConfigBlocks(context_);
    CopyStringBounded(context_->dataFolder, kPathUnits, data_.path().c_str());
    CopyStringBounded(context_->installFolder, kPathUnits, install_.path().c_str());
    if (withSkins) {
      CreateDirectoryW(install_.File(L"tessel").c_str(), nullptr);
      for (const wchar_t* skin : {L"skin.col", L"night.col"}) {
        CopyFileW(ShippedSkinPath(skin).c_str(), (install_.path() + L"tessel\\" + skin).c_str(),
                  FALSE);
      }
    }
    parent_ = CreateWindowExW(0, L"STATIC", L"settings", WS_POPUP, 0, 0, 700, 700, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~PageContext() {
    DestroyWindow(parent_);
    CloseMappedFile(context_->files[kFileConfig], 1);
    GlobalFree(context_);
  }
  PageContext(const PageContext&) = delete;
  PageContext& operator=(const PageContext&) = delete;

  ImeContext* get() { return context_; }
  ImeContext* operator->() { return context_; }
  HWND parent() const { return parent_; }
  std::wstring ConfigPath() const { return data_.File(L"config.dsc"); }
  const TempDir& install() const { return install_; }
  const TempDir& data() const { return data_; }

  // The blocks as they stand in the file on disk.
  struct Saved {
    std::vector<uint8_t> bytes;
    ConfigBlockSet blocks{};
  };
  Saved ReadBack() {
    FlushMappedFile(context_->files[kFileConfig]);
    Saved saved;
    saved.bytes = ReadFileBytes(ConfigPath());
    LocateConfigBlocks(saved.bytes.data(), static_cast<uint32_t>(saved.bytes.size()),
                       &saved.blocks);
    return saved;
  }

 private:
  TempDir data_;
  TempDir install_;
  ImeContext* context_ = nullptr;
  HWND parent_ = nullptr;
};

inline void SelectItem(HWND page, int id, int item) {
  SendDlgItemMessageW(page, id, CB_SETCURSEL, item, 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

inline int SelectedItem(HWND page, int id) {
  return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}

inline std::wstring SelectedText(HWND page, int id) {
  wchar_t text[128] = {};
  const int item = SelectedItem(page, id);
  if (item >= 0) SendDlgItemMessageW(page, id, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
  return text;
}

inline void ClickCheck(HWND page, int id, bool checked) {
  CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

inline std::wstring ItemText(HWND page, int id) {
  wchar_t text[300] = {};
  GetDlgItemTextW(page, id, text, 300);
  return text;
}

}  // namespace zn::test
