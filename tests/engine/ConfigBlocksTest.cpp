// config.dsc: the container written for a new installation, block lookup by
// name, and that damaged or truncated files fail cleanly instead of crashing.
#include <gtest/gtest.h>

#include <random>

#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"

using namespace zn::test;

namespace {

TEST(ConfigContainer, DefaultFileHasFourBlocksAndProductIdentity) {
  std::vector<uint8_t> file(kConfigFileSize + 5, 0xCC);
  EXPECT_EQ(WriteDefaultConfigContainer(file.data(), kConfigFileSize - 1), 0u);
  ASSERT_EQ(WriteDefaultConfigContainer(file.data(), kConfigFileSize), kConfigFileSize);
  EXPECT_EQ(file[kConfigFileSize], 0xCC) << "writes nothing past the container";
  EXPECT_EQ(GetU32(file, 0), 4u);
  const uint32_t offsets[] = {140, 8432, 21776, 22436};
  const uint32_t sizes[] = {8292, 13344, 660, 4296};
  const wchar_t* names[] = {kImeBlockName, kDmeBlockName, kSkinBlockName, kSoftBlockName};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(GetU32(file, 4 + 4 * i), offsets[i]);
    auto* block = reinterpret_cast<ConfigBlock*>(file.data() + offsets[i]);
    EXPECT_EQ(block->size, sizes[i]);
    EXPECT_EQ(block->id, i + 1);
    EXPECT_STREQ(block->name, names[i]);
  }
  for (size_t i = 20; i < 140; ++i) ASSERT_EQ(file[i], 0) << i;

  ConfigBlockSet set;
  ASSERT_TRUE(LocateConfigBlocks(file.data(), kConfigFileSize, &set));
  EXPECT_EQ(ImePageSize(set.ime), 5u);
  EXPECT_EQ(ImeFrequencyMode(set.ime), 0u);
  EXPECT_EQ(set.dme->wildcardChar, 'z');
  EXPECT_TRUE(set.dme->codeOptions & kDmeOptPrefixHints);
  for (int c : {'a', 'z', 'A'}) EXPECT_EQ(set.dme->keyCharFlags[c], c == 'A' ? 0 : 0x30) << c;
  EXPECT_STREQ(set.soft->displayName, ZN_DISPLAY_NAME);
  EXPECT_STREQ(set.soft->imeName, ZN_IME_NAME);
  EXPECT_STREQ(set.soft->versionText, ZN_VERSION_TEXT);
  EXPECT_STREQ(set.soft->categoryNames[1], L"系统");
  EXPECT_STREQ(set.soft->categoryNames[4], L"辅码");
  // {441AC6AE-67A0-480E-8529-6932B7588E61} in its binary form.
  const uint8_t guid[16] = {0xAE, 0xC6, 0x1A, 0x44, 0xA0, 0x67, 0x0E, 0x48,
                            0x85, 0x29, 0x69, 0x32, 0xB7, 0x58, 0x8E, 0x61};
  EXPECT_EQ(std::memcmp(file.data() + 22436 + 456, guid, 16), 0);
  EXPECT_FALSE(ParseGuidText(L"{00112233-4455-6677-8899-AABBCCDDEEF}", set.soft->productGuid));
  EXPECT_FALSE(ParseGuidText(L"{00112233-4455-6677-8899-AABBCCDDEEFF}x", set.soft->productGuid));
}

TEST(ConfigLookup, CountLowByteAndNameCaseAndRequiredBlocks) {
  auto file = DefaultConfig();
  uint32_t count = 0x104;
  std::memcpy(file.data(), &count, 4);
  ConfigBlockSet set;
  EXPECT_TRUE(LocateConfigBlocks(file.data(), kConfigFileSize, &set));

  auto* skin = reinterpret_cast<ConfigBlock*>(file.data() + 21776);
  std::wcscpy(skin->name, L"ZN_Skin_Config_Data_DEFAULT");
  EXPECT_TRUE(LocateConfigBlocks(file.data(), kConfigFileSize, &set));
  EXPECT_EQ(reinterpret_cast<uint8_t*>(set.skin), file.data() + 21776);

  std::wcscpy(skin->name, L"zn_skin_config_data_defaultX");
  EXPECT_FALSE(LocateConfigBlocks(file.data(), kConfigFileSize, &set));
  EXPECT_EQ(set.ime, nullptr) << "a failed lookup leaves no pointer behind";
}

TEST(ConfigLookup, SectionsOutsideTheFileOrTooShortFail) {
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"section offset past the end", 4 + 3 * 4, kConfigFileSize + 4},
      {"section offset near the end", 4 + 3 * 4, kConfigFileSize - 100},
      {"section size past the end", 22436, kSoftBlockSize + 1},
      {"block shorter than its layout", 8432, kDmeBlockSize - 8},
      {"offset into the middle of a block", 4 + 1 * 4, 8436},
      {"count beyond the offset table", 0, 0xFF},
  };
  for (const Case& c : cases) {
    auto file = DefaultConfig();
    std::memcpy(file.data() + c.at, &c.value, 4);
    ConfigBlockSet set;
    bool found = LocateConfigBlocks(file.data(), kConfigFileSize, &set);
    if (c.at == 0) {
      EXPECT_TRUE(found) << c.what << ": the first four offsets still name the blocks";
    } else {
      EXPECT_FALSE(found) << c.what;
    }
  }
  auto file = DefaultConfig();
  for (uint32_t size = 0; size < kConfigFileSize; size += 97) {
    ConfigBlockSet set;
    ASSERT_FALSE(LocateConfigBlocks(file.data(), size, &set)) << size;
  }
  EXPECT_FALSE(LocateConfigBlocks(nullptr, 100, nullptr));
}

TEST(ConfigLookup, MutatedImagesNeverLeadOutsideTheView) {
  std::mt19937 rng(20240611);
  const auto pristine = DefaultConfig();
  for (int round = 0; round < 4000; ++round) {
    // Copy into an exact-size buffer so a stray read past the end is caught
    // by the heap checker rather than landing in slack.
    uint32_t size = kConfigFileSize;
    if (round % 5 == 0) size = rng() % (kConfigFileSize + 1);
    std::vector<uint8_t> image(pristine.begin(), pristine.begin() + size);
    int flips = 1 + rng() % 8;
    for (int k = 0; k < flips && size > 0; ++k) {
      // Aim most mutations at the header and the block headers.
      uint32_t spots[] = {rng() % 24, 140 + rng() % 8, 8432 + rng() % 8, 21776 + rng() % 8,
                          22436 + rng() % 8, static_cast<uint32_t>(rng())};
      uint32_t at = spots[rng() % 6] % size;
      image[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
      if (rng() % 4 == 0) image[at] = static_cast<uint8_t>(rng());
    }
    ConfigBlockSet set{};
    LocateConfigBlocks(image.data(), size, &set);
    // Whatever was found lies inside the image with its full layout.
    for (auto [block, layout] : {std::pair<const void*, uint32_t>{set.ime, kImeBlockSize}, {set.dme, kDmeBlockSize},
                                 {set.skin, kSkinBlockSize}, {set.soft, kSoftBlockSize}}) {
      auto at = static_cast<const uint8_t*>(block) - image.data();
      if (block) ASSERT_TRUE(at >= 0 && static_cast<uint64_t>(at) + layout <= size) << round;
    }
  }
}

// The same through context creation: a damaged config.dsc on disk either
// binds or fails, never crashes, and leaves no file open.
TEST(ConfigLookup, ContextCreationSurvivesDamagedFiles) {
  TempDir dir;
  FakeOs os;
  MakeDataFolder(os, dir.path());
  std::mt19937 rng(77);
  const auto pristine = DefaultConfig();
  int created = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> image = pristine;
    if (round % 3 == 0) image.resize(rng() % kConfigFileSize);
    for (int k = 0; k < 4 && !image.empty(); ++k) {
      uint32_t at = (round % 2 ? rng() % 24 : rng()) % image.size();
      image[at] ^= static_cast<uint8_t>(rng());
    }
    if (round % 10 == 1) {
      auto* ime = reinterpret_cast<ImeConfigBlock*>(image.data() + 140);
      if (image.size() >= 140 + kImeBlockSize) ime->optionFlags |= kImeOptClearTempOnRestart;
    }
    WriteFileBytes(dir.File(L"config.dsc"), image);
    ImeContext* ctx = CreateImeContext(&os);
    if (ctx) ++created;
    DestroyImeContext(ctx);
    ASSERT_TRUE(NothingHolds(dir.File(L"config.dsc"))) << round;
  }
  EXPECT_GT(created, 0);
  EXPECT_LT(created, 300);
}

}  // namespace
