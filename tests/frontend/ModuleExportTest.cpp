// zinIME.ime as config and the installer load it: the ZNITFGetObject export
// by name and by ordinal, its table kinds, the product key resource and
// the language-bar icons.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "engine/ConfigBlocks.h"
#include "engine/ItfObject.h"
#include "engine/Product.h"

namespace {

using GetObjectFn = int(WINAPI*)(int, ItfObject**);

// The module is copied next to this test program by the build.
class ModuleExport : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"zinIME.ime";
    module_ = LoadLibraryW(path.c_str());
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
    getObject_ = reinterpret_cast<GetObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "ZNITFGetObject")));
    ASSERT_NE(getObject_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  HMODULE module_ = nullptr;
  GetObjectFn getObject_ = nullptr;
};

TEST_F(ModuleExport, OrdinalOneIsTheExport) {
  FARPROC byOrdinal = GetProcAddress(module_, MAKEINTRESOURCEA(1));
  EXPECT_EQ(reinterpret_cast<void*>(byOrdinal), reinterpret_cast<void*>(getObject_));
}

TEST_F(ModuleExport, StringOneIsTheProductKey) {
  wchar_t key[64] = {};
  EXPECT_EQ(LoadStringW(module_, 1, key, 64), 38);
  EXPECT_STREQ(key, ZN_PRODUCT_GUID_TEXT);
}

TEST_F(ModuleExport, TheLanguageBarIconsAreInTheModule) {
  for (int id : {102, 103, 104, 105, 106, 107, 108, 109, 122, 123, 124}) {
    for (int size : {16, 32}) {
      HICON icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << id;
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info)) << id;
      BITMAP bitmap{};
      GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
      EXPECT_EQ(bitmap.bmWidth, size) << id;
      EXPECT_EQ(bitmap.bmBitsPixel, 32) << id;
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST_F(ModuleExport, KindsOfTables) {
  ItfObject* preset = reinterpret_cast<ItfObject*>(0x5A5A);
  ItfObject* table = preset;
  EXPECT_EQ(getObject_(7, &table), 0);
  EXPECT_EQ(table, preset) << "an unknown kind leaves the output alone";
  EXPECT_EQ(getObject_(0, &table), 0);
  EXPECT_EQ(table, preset);
  EXPECT_EQ(getObject_(kItfNone, &table), 0);
  EXPECT_EQ(table, nullptr);

  ASSERT_EQ(getObject_(kItfSettingsPages, &table), 1);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->createPage(nullptr, 1, nullptr), nullptr) << "no page yet";
  EXPECT_EQ(table->destroyPage(1), 1);
  table->release(table);

  table = nullptr;
  ASSERT_EQ(getObject_(kItfSettingsText, &table), 1);
  ASSERT_NE(table, nullptr);
  auto dme = std::make_unique<DmeConfigBlock>();
  table->parseLine(dme.get(), L"查询输入字符", L"z", kItfSectionDme);
  table->parseLine(dme.get(), L"查询输入字符", L"y", 3);
  EXPECT_EQ(dme->wildcardChar, 'z');
  EXPECT_EQ(table->writeSection(dme.get(), INVALID_HANDLE_VALUE, 3), 0);
  table->release(table);
}

}  // namespace
