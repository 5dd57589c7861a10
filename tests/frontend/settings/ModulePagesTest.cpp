// The settings pages as config reaches them: through kind 1 of the module's
// ZNITFGetObject, on config's own context.
#include <gtest/gtest.h>

#include "engine/ItfObject.h"
#include "frontend/settings/SettingsPageIds.h"
#include "tests/frontend/settings/PageTestSupport.h"

using namespace zn::test;

TEST(ModulePages, KindOneOpensAndClosesThePagesOfTheModule) {
  HMODULE module = LoadLibraryW(L"zinIME.ime");
  ASSERT_NE(module, nullptr);
  auto get = reinterpret_cast<decltype(&ZNITFGetObject)>(
      reinterpret_cast<void*>(GetProcAddress(module, "ZNITFGetObject")));
  ASSERT_NE(get, nullptr);
  // The module registered its window classes at load.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(GetClassInfoExW(module, L"RUZEDIVE_ZARU", &wc));

  PageContext c;
  ItfObject* table = nullptr;
  ASSERT_EQ(get(kItfSettingsPages, &table), 1);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->destroyPage(1), 1);  // nothing open
  HWND page = table->createPage(c.parent(), 1, c.get());
  ASSERT_NE(page, nullptr);
  // The page comes from the module's own dialog template.
  EXPECT_NE(GetDlgItem(page, ZN_IDC_PUNCT_AFTER_DIGITS), nullptr);
  SetDlgItemTextW(page, ZN_IDC_WILDCARD, L"~");
  HWND appearance = table->createPage(c.parent(), 3, c.get());
  ASSERT_NE(appearance, nullptr);
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(c.ReadBack().blocks.dme->wildcardChar, '~');
  EXPECT_NE(GetDlgItem(appearance, ZN_IDC_PREVIEW), nullptr);
  EXPECT_EQ(table->destroyPage(1), 1);
  EXPECT_FALSE(IsWindow(appearance));
  table->release(table);
  FreeLibrary(module);
}
