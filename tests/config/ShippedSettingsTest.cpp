// The shipped config.dsc: built from the default settings text, written back
// as that same text, and opened by an input context with all four blocks.
#include <gtest/gtest.h>

#include "config/settingstext/SettingsText.h"
#include "engine/ImeContext.h"
#include "engine/Product.h"
#include "tests/common/TempDir.h"
#include "tests/config/SettingsTestData.h"

namespace zn::test {
namespace {

TEST(ShippedSettings, TextIsWhatTheWriterWrites) {
  SettingsCodec codec;
  TempDir dir;
  std::vector<uint8_t> shipped = ReadFileBytes(ShippedConfigPath());
  SettingsImage image(shipped);
  ASSERT_TRUE(image.ok());
  std::wstring path = dir.File(L"shipped.txt");
  ASSERT_EQ(WriteSettingsText(image.blocks.ime, image.blocks.dme, image.blocks.skin, codec.get(),
                              path.c_str()),
            0);
  std::wstring source = DecodeFile(ShippedSettingsTextPath());
  ASSERT_FALSE(source.empty());
  EXPECT_EQ(DecodeFile(path), WithCrLf(source));

  // Reading the text again over the shipped file changes no byte.
  ASSERT_EQ(ParseSettingsText(source.c_str(), image.blocks.ime, image.blocks.dme, image.blocks.skin,
                              codec.get()),
            1);
  EXPECT_EQ(image.bytes, shipped);
}

TEST(ShippedSettings, DefaultsOfANewUser) {
  SettingsImage image(ReadFileBytes(ShippedConfigPath()));
  ASSERT_TRUE(image.ok());
  const DmeConfigBlock* dme = image.blocks.dme;
  EXPECT_EQ(dme->wildcardChar, 'z');
  EXPECT_EQ(DmeUniqueCommitLength(dme), 4u);
  EXPECT_EQ(image.blocks.ime->optionFlags & 0x7000, 0x1000u) << "TSF-嵌入编码";
  EXPECT_EQ(image.blocks.ime->symbolEscapes['"'].kind, 2);
  EXPECT_EQ(dme->wordRules[30].elements[3], 0x1E01);
  // The shipped key functions, as the key tables define them.
  auto expected = std::make_unique<DmeConfigBlock>();
  WriteShippedKeyFunctions(expected.get());
  EXPECT_EQ(0, memcmp(dme->keyFunctions, expected->keyFunctions, sizeof dme->keyFunctions));
  EXPECT_EQ(dme->combinationCount, expected->combinationCount);
  EXPECT_EQ(0, memcmp(dme->combinations, expected->combinations, sizeof dme->combinations));
}

// The product identity, and the four blocks bound where the container says.
TEST(ShippedSettings, InputContextBindsAllFourBlocks) {
  std::vector<uint8_t> bytes = ReadFileBytes(ShippedConfigPath());
  ASSERT_EQ(bytes.size(), kConfigFileSize);
  EXPECT_EQ(reinterpret_cast<const ConfigFileHeader*>(bytes.data())->sectionCount & 0xFF, 4u);
  TempDir dir;
  FakeOs os;
  MakeDataFolder(os, dir.path(), bytes);
  ImeContext* context = CreateImeContext(&os);
  ASSERT_NE(context, nullptr);
  const uint8_t* view = context->files[kFileConfig]->view;
  EXPECT_EQ(reinterpret_cast<uint8_t*>(context->imeBlock), view + 140);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(context->dmeBlock), view + 8432);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(context->skinBlock), view + 21776);
  ASSERT_EQ(reinterpret_cast<uint8_t*>(context->softBlock), view + 22436);
  const SoftConfigBlock* soft = context->softBlock;
  EXPECT_STREQ(soft->displayName, ZN_DISPLAY_NAME);
  EXPECT_STREQ(soft->imeName, ZN_IME_NAME);
  uint8_t guid[16];
  ASSERT_TRUE(ParseGuidText(ZN_PRODUCT_GUID_TEXT, guid));
  EXPECT_EQ(0, memcmp(soft->productGuid, guid, 16));
  for (int category = 1; category <= 4; ++category) EXPECT_NE(soft->categoryNames[category][0], 0) << category;
  EXPECT_EQ(context->dmeBlock->keyFunctions[0x20], 0x80u);
  EXPECT_STREQ(context->skinBlock->skinName, L"skin.col");
  DestroyImeContext(context);
}

// What the installer reads from the packaged file: with any of these empty it
// refuses to uninstall, installs into the Program Files root or makes no
// shortcuts.
TEST(ShippedSettings, CarriesTheInstallerIdentity) {
  SettingsImage image(ReadFileBytes(ShippedConfigPath()));
  ASSERT_TRUE(image.ok());
  const SoftConfigBlock* soft = image.blocks.soft;
  EXPECT_STREQ(soft->languageName, ZN_LANGUAGE_NAME);
  EXPECT_STREQ(soft->installFolderName, ZN_INSTALL_FOLDER_NAME);
  EXPECT_STREQ(soft->versionText, ZN_VERSION_TEXT);
  std::wstring update = soft->updateUrl;
  EXPECT_EQ(update.rfind(L"https://", 0), 0u);
  for (const wchar_t* placeholder : {L"{version}", L"{guid}", L"{macaddr}"}) {
    EXPECT_NE(update.find(placeholder), std::wstring::npos) << placeholder;
  }
  EXPECT_EQ(std::wstring(soft->uninstallPage).rfind(L"https://", 0), 0u);
  EXPECT_EQ(soft->installerFlags, kProductShortcutFlags);
  EXPECT_EQ(soft->installerFlags & 0x30000000u, 0u);
  EXPECT_EQ(soft->languageId, 0x0804);
  // The package allows the text service.
  EXPECT_NE(image.blocks.ime->spaceWord & ImeBits::kTsfAvailable, 0u);
}

}  // namespace
}  // namespace zn::test
