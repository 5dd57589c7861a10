// Context assembly: the engine's context comes without a skin, the front
// ends' with one, and both close every file when destroyed.
#include <gtest/gtest.h>

#include "frontend/common/ContextAssembly.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"

using namespace zn::test;

TEST(ContextAssembly, FrontEndContextsCarryASkinAndReleaseEverything) {
  TempDir dir;
  FakeOs os;
  MakeDataFolder(os, dir.path());
  ImeContext* bare = CreateImeContext(&os);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->skin, nullptr);
  DestroyImeContext(bare);

  ImeContext* skinned = CreateContextWithSkin(&os);
  ASSERT_NE(skinned, nullptr);
  // No skin file in this folder: an empty SkinData, and the context types.
  ASSERT_NE(skinned->skin, nullptr);
  ReloadContextSkin(skinned);
  DestroyContextWithSkin(skinned);
  EXPECT_TRUE(NothingHolds(dir.File(L"config.dsc")));
  EXPECT_TRUE(NothingHolds(dir.File(L"main.dmg")));
  DestroyContextWithSkin(nullptr);

  os.values.erase(L"DataLocation");
  EXPECT_EQ(CreateContextWithSkin(&os), nullptr);
}
