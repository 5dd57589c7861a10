// The package: the stub size in the PE header, the split, entry names that
// must not be written, the unpacking and the product identity it carries;
// then the package the build made.
#include <gtest/gtest.h>

#include <random>

#include "installer/core/FolderTree.h"
#include "installer/core/PackageExtract.h"
#include "installer/core/PackageSettings.h"
#include "installer/core/PackageSplit.h"
#include "tests/installer/InstallerTestSupport.h"
#include "ui/skin/ArchiveLoader.h"

namespace zn::test {
namespace {

uint32_t StubSizeOf(const std::vector<uint8_t>& bytes) {
  uint32_t size = 0;
  return ReadStubSize(bytes.data(), bytes.size(), &size) ? size : 0;
}

TEST(PackageSplit, StubSizeIsCheckedAgainstTheImage) {
  std::vector<uint8_t> zip = ZipWriter().Add("a.txt", Bytes("x")).Build();
  std::vector<uint8_t> good = MakePackage(zip);
  EXPECT_EQ(StubSizeOf(good), 0x400u);

  auto with = [&](uint32_t stored) {
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, kLoaderFlagsAt, stored);
    return bytes;
  };
  EXPECT_EQ(StubSizeOf(with(0)), 0u);
  EXPECT_EQ(StubSizeOf(with(static_cast<uint32_t>(good.size()))), 0u);  // no archive left
  EXPECT_EQ(StubSizeOf(with(static_cast<uint32_t>(good.size()) + 1)), 0u);
  EXPECT_EQ(StubSizeOf(with(0x100)), 0u);  // inside the headers
  EXPECT_EQ(StubSizeOf(with(0x3FF)), 0u);  // inside the section data
  EXPECT_EQ(StubSizeOf(MakePackage(zip, MakePeImage(0x200, 0x10B))), 0u);  // 32-bit image

  std::vector<uint8_t> truncated(good.begin(), good.begin() + 0x90);
  EXPECT_EQ(StubSizeOf(truncated), 0u);
  std::vector<uint8_t> farHeader = good;
  PutU32(farHeader, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(StubSizeOf(farHeader), 0u);
  std::vector<uint8_t> manySections = good;
  manySections[0x46] = 0xFF;
  manySections[0x47] = 0xFF;
  EXPECT_EQ(StubSizeOf(manySections), 0u);

  // Damaged headers never read outside the file.
  std::mt19937 random(19);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bytes = good;
    for (int k = 0; k < 4; ++k) bytes[random() % 0x1A0] = static_cast<uint8_t>(random());
    bytes.resize(random() % 2 ? bytes.size() : random() % bytes.size());
    uint32_t size = 0;
    if (ReadStubSize(bytes.data(), bytes.size(), &size)) EXPECT_LT(size, bytes.size());
  }
}

TEST(PackageSplit, WritesStubAndArchive) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  ASSERT_TRUE(CreateDirectoryPath(os, state->workFolder));
  std::vector<uint8_t> zip = ZipWriter().Add("a.txt", Bytes("x")).Build();
  std::vector<uint8_t> package = MakePackage(zip);
  ASSERT_TRUE(WriteFileBytes(state->ownPath, package));
  ASSERT_TRUE(SplitOverlay(*state, os));
  EXPECT_EQ(std::wstring(state->stubPath), std::wstring(state->workFolder) + L"installer.exe");
  EXPECT_EQ(std::wstring(state->packagePath), std::wstring(state->workFolder) + L"makedata.zip");
  EXPECT_EQ(ReadFileBytes(state->packagePath), zip);
  std::vector<uint8_t> stub = ReadFileBytes(state->stubPath);
  ASSERT_EQ(stub.size(), 0x400u);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), package.begin()));

  // A package whose size field is damaged is refused.
  PutU32(package, kLoaderFlagsAt, 0);
  ASSERT_TRUE(WriteFileBytes(state->ownPath, package));
  EXPECT_FALSE(SplitOverlay(*state, os));

  // The temporary copy (repair) splits nothing.
  state->tempCopy = true;
  state->stubPath[0] = L'\0';
  EXPECT_TRUE(SplitOverlay(*state, os));
  EXPECT_EQ(state->stubPath[0], L'\0');
}

TEST(PackageExtract, EntryNamesThatMayBeWritten) {
  struct Case {
    const char* name;
    uint32_t flags;
    const wchar_t* path;  // null: refused
    bool folder;
  };
  const uint32_t read = kArchiveEntryRead;
  const Case cases[] = {
      {"zinIME.ime", read, L"zinIME.ime", false},
      {"$dataFiles$\\config.dsc", read, L"$dataFiles$\\config.dsc", false},
      {"tessel/skin.col", read, L"tessel\\skin.col", false},
      {"\\x86\\zinIME.ime", read, L"x86\\zinIME.ime", false},
      {"tessel/", read, L"tessel", true},
      {"\xE4\xB8\xAD.txt", read | kArchiveEntryUtf8Name, L"\x4E2D.txt", false},
      {"\xE4\xB8\xAD.txt", read, nullptr, false},  // not declared UTF-8
      {"\xC4\xE3.txt", read, nullptr, false},      // another code page
      {"\xFF\xFE.txt", read | kArchiveEntryUtf8Name, nullptr, false},
      {"zinIME.ime", 0, nullptr, false},  // unread: damaged or encrypted
      {"zinIME.ime", read | kArchiveEntryNameCut, nullptr, false},
      {"..\\evil.dll", read, nullptr, false},
      {"a\\..\\..\\evil.dll", read, nullptr, false},
      {"a/./b", read, nullptr, false},
      {"C:\\Windows\\evil.dll", read, nullptr, false},
      {"C:evil.dll", read, nullptr, false},
      {"\\\\server\\share\\evil.dll", read, nullptr, false},
      {"//server/share/evil.dll", read, nullptr, false},
      {"config.dsc:stream", read, nullptr, false},
      {"NUL", read, nullptr, false},
      {"tessel\\com1.col", read, nullptr, false},
      {"a\\\\b", read, nullptr, false},
      {"trailing.\\x", read, nullptr, false},
      {"tab\there", read, nullptr, false},
      {"", read, nullptr, false},
      {"\\", read, nullptr, false},
  };
  for (const Case& c : cases) {
    ArchiveEntry entry{};
    strncpy(entry.name, c.name, sizeof(entry.name) - 1);
    entry.flags = c.flags;
    std::wstring path;
    bool folder = false;
    bool ok = EntryRelativePath(entry, &path, &folder);
    EXPECT_EQ(ok, c.path != nullptr) << c.name;
    if (ok && c.path) {
      EXPECT_EQ(path, c.path) << c.name;
      EXPECT_EQ(folder, c.folder) << c.name;
    }
  }
}

TEST(PackageExtract, UnpacksGoodEntriesAndReportsTheRest) {
  FakeInstallerOs os;
  std::wstring work = os.Folder(KnownFolder::kTemp) + L"work\\";
  std::wstring target = work + L"zipdatas\\";
  ASSERT_TRUE(CreateDirectoryPath(os, work));
  ZipEntry damaged{"broken.bin", Bytes("payload"), true};
  damaged.crcXor = 1;
  std::vector<uint8_t> zip = ZipWriter()
                                 .Add("zinIME.ime", Bytes("module"), true)
                                 .Add("tessel\\", {})
                                 .Add("tessel\\skin.col", Bytes("skin"))
                                 .Add("empty.txt", {})
                                 .Add("..\\escape.txt", Bytes("bad"))
                                 .Add(damaged)
                                 .Build();
  ASSERT_TRUE(WriteFileBytes(work + L"p.zip", zip));
  struct Recorder : ExtractProgress {
    std::vector<std::wstring> labels;
    std::vector<int> positions;
    void Show(const wchar_t* label, int percent) override {
      labels.push_back(label);
      positions.push_back(percent);
    }
  } progress;
  EXPECT_EQ(ExtractZipToFolder(os, work + L"p.zip", target, &progress), 0);
  EXPECT_EQ(ReadFileBytes(target + L"zinIME.ime"), Bytes("module"));
  EXPECT_EQ(ReadFileBytes(target + L"tessel\\skin.col"), Bytes("skin"));
  EXPECT_NE(GetFileAttributesW((target + L"empty.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((work + L"escape.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((target + L"broken.bin").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(progress.labels.size(), 7u);
  EXPECT_EQ(progress.labels[0], L"Success: zinIME.ime");
  EXPECT_EQ(progress.labels[4], L"Failure: ..\\escape.txt");
  EXPECT_EQ(progress.positions[4], 0);
  EXPECT_EQ(progress.labels.back(), L"Completed.");
  EXPECT_EQ(progress.positions.back(), 100);

  std::vector<uint8_t> clean = ZipWriter().Add("a\\b.txt", Bytes("b"), true).Build();
  ASSERT_TRUE(WriteFileBytes(work + L"clean.zip", clean));
  EXPECT_EQ(ExtractZipToFolder(os, work + L"clean.zip", target, nullptr), 1);
  EXPECT_EQ(ExtractZipToFolder(os, work + L"missing.zip", target, nullptr), 0);
  EXPECT_EQ(ExtractZipToFolder(os, work + L"clean.zip", L"", nullptr), 0);
}

TEST(PackageSettings, IdentityIsTakenOnlyFromAWholeBlock) {
  auto take = [](std::vector<uint8_t> image, InstallerState& state) {
    return TakePackageSettings(state, image);
  };
  auto state = NewState();
  std::vector<uint8_t> good = DefaultConfigImage();
  SoftOf(good)->installerFlags |= 0x10000000;
  ASSERT_TRUE(take(good, *state));
  EXPECT_STREQ(state->productKey, ZN_PRODUCT_GUID_TEXT);
  EXPECT_STREQ(state->soft.imeName, ZN_IME_NAME);
  EXPECT_EQ(state->soft.installerFlags & 0x30000000u, kStateTsfAllowed);
  EXPECT_EQ(std::memcmp(&state->ime, ImeOf(good), sizeof(ImeConfigBlock)), 0);

  std::vector<uint8_t> noTsf = DefaultConfigImage();
  ImeOf(noTsf)->spaceWord &= ~ImeBits::kTsfAvailable;
  ASSERT_TRUE(take(noTsf, *state));
  EXPECT_EQ(state->soft.installerFlags & 0x30000000u, 0u);

  std::vector<std::function<void(std::vector<uint8_t>&)>> damage = {
      [](auto& b) { SoftOf(b)->displayName[0] = 0; },
      [](auto& b) { SoftOf(b)->imeName[0] = 0; },
      [](auto& b) { CopyStringBounded(SoftOf(b)->imeName, 40, L"..\\..\\evil"); },
      [](auto& b) { CopyStringBounded(SoftOf(b)->imeName, 40, L"NUL"); },
      [](auto& b) { std::memset(SoftOf(b)->productGuid, 0, 16); },
      [](auto& b) { SoftOf(b)->header.name[3] = L'x'; },   // no soft block
      [](auto& b) { ImeOf(b)->header.name[3] = L'x'; },    // no ime block
      [](auto& b) { PutU32(b, 4 + 3 * 4, 0x7FFFFFF0u); },  // soft block past the end
      [](auto& b) { SoftOf(b)->header.size = 100; },       // shorter than a soft block
      [](auto& b) { b.resize(22436 + 2000); },             // cut inside the soft block
      [](auto& b) { b.resize(3); },
  };
  for (size_t i = 0; i < damage.size(); ++i) {
    std::vector<uint8_t> bytes = DefaultConfigImage();
    damage[i](bytes);
    auto fresh = NewState();
    EXPECT_FALSE(take(bytes, *fresh)) << i;
  }

  // Text fields without their terminator end inside their width.
  std::vector<uint8_t> unterminated = DefaultConfigImage();
  for (wchar_t& c : SoftOf(unterminated)->languageName) c = L'x';
  ASSERT_TRUE(take(unterminated, *state));
  EXPECT_EQ(wcslen(state->soft.languageName), 39u);

  // Random damage never crashes the reader.
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes = DefaultConfigImage();
    for (int k = 0; k < 8; ++k) bytes[random() % 200] = static_cast<uint8_t>(random());
    auto fresh = NewState();
    take(bytes, *fresh);
  }
}

TEST(PackageSettings, LoadsFromTheUnpackFolder) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring folder = std::wstring(state->unpackFolder) + L"$dataFiles$\\";
  EXPECT_FALSE(LoadPackageSettings(*state, os));
  ASSERT_TRUE(CreateDirectoryPath(os, folder));
  ASSERT_TRUE(WriteFileBytes(folder + L"config.dsc", DefaultConfigImage()));
  EXPECT_TRUE(LoadPackageSettings(*state, os));
}

// The setup program the build made: stub size, entries and the identity
// its config.dsc carries, read the way the installer reads them.
TEST(BuiltPackage, SizeFieldEntriesAndIdentity) {
  std::vector<uint8_t> package = ReadFileBytes(ZN_PACKAGE_PATH);
  std::vector<uint8_t> installer = ReadFileBytes(ZN_INSTALLER_EXE);
  ASSERT_FALSE(package.empty());
  ASSERT_FALSE(installer.empty());
  uint32_t stubSize = 0;
  ASSERT_TRUE(ReadStubSize(package.data(), package.size(), &stubSize));
  EXPECT_EQ(stubSize, installer.size());
  uint32_t flagsAt = 0;
  ASSERT_TRUE(FindLoaderFlags(installer.data(), installer.size(), &flagsAt));
  EXPECT_EQ(GetU32(installer, flagsAt), 0u);
  PutU32(installer, flagsAt, stubSize);
  EXPECT_TRUE(std::equal(installer.begin(), installer.end(), package.begin()));

  FakeInstallerOs os;
  auto state = NewState();
  SetText(state->workFolder, kPathUnits, os.Folder(KnownFolder::kTemp) + L"w\\");
  SetText(state->ownPath, kPathUnits, ZN_PACKAGE_PATH);
  ASSERT_TRUE(CreateDirectoryPath(os, state->workFolder));
  ASSERT_TRUE(ExtractPackage(*state, os, nullptr));

  ArchiveEntryList* list =
      LoadArchiveEntriesW(state->packagePath, ArchiveLimits{64, 64u << 20, 256u << 20});
  ASSERT_NE(list, nullptr);
  std::vector<std::string> names;
  for (uint32_t i = 0; i < list->count; ++i) names.push_back(list->Entries()[i].name);
  FreeArchiveEntries(list);
  std::vector<std::string> expected = {"$dataFiles$\\config.dsc",
                                       "$dataFiles$\\main.dmg",
                                       "$dataFiles$\\danzi.dmi",
                                       "$dataFiles$\\sysl.dmg",
                                       "$dataFiles$\\engl.dmg",
                                       "$dataFiles$\\temp.dmg",
                                       "zinIME.ime"};
  size_t at = expected.size();
  ASSERT_GE(names.size(), at + 2);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), names.begin()));
  if (names[at] == "x86\\zinIME.ime") ++at;
  if (names[at] == "config.exe") ++at;
  for (; at < names.size(); ++at) {
    EXPECT_EQ(names[at].rfind("tessel\\", 0), 0u) << names[at];
    // Skins, and the preview pictures config shows beside them.
    const std::string suffix = names[at].substr(names[at].size() - 4);
    EXPECT_TRUE(suffix == ".col" || suffix == ".png") << names[at];
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "tessel\\skin.col"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "tessel\\skin.png"), names.end());

  EXPECT_STREQ(state->productKey, ZN_PRODUCT_GUID_TEXT);
  EXPECT_STREQ(state->soft.displayName, ZN_DISPLAY_NAME);
  EXPECT_STREQ(state->soft.imeName, ZN_IME_NAME);
  EXPECT_STREQ(state->soft.languageName, ZN_LANGUAGE_NAME);
  EXPECT_STREQ(state->soft.installFolderName, ZN_INSTALL_FOLDER_NAME);
  EXPECT_STREQ(state->soft.versionText, ZN_VERSION_TEXT);
  EXPECT_EQ(state->soft.installerFlags & 0x30000000u, kStateTsfAllowed);
  EXPECT_EQ(ReadFileBytes(std::wstring(state->unpackFolder) + L"zinIME.ime"),
            ReadFileBytes(ZN_MODULE_PATH));
}

}  // namespace
}  // namespace zn::test
