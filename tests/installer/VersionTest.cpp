// Dotted versions, and the version resources the build puts into the
// module and the installer.
#include <gtest/gtest.h>

#include "engine/FileVersion.h"
#include "engine/Product.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/Win32InstallerOs.h"

namespace {

TEST(DottedVersion, PartsAndPackedValue) {
  struct Case {
    const wchar_t* text;
    bool ok;
    uint64_t packed;
  };
  const Case cases[] = {
      {L"1.2.3.4", true, 0x0001000200030004ull},
      {L"1.0.0", true, 0x0001000000000000ull},
      {L"10", true, 0x000A000000000000ull},
      {L"1, 2, 3, 4", true, 0x0001000000000000ull},  // commas end a part
      {L"2.1 beta.7", true, 0x0002000100070000ull},   // words are skipped to the next dot
      {L"70000.1", true, 0xFFFF000100000000ull},      // parts are 16 bits
      {L"1.2.3.4.5", true, 0x0001000200030004ull},
      {L"1..2", true, 0x0001000000020000ull},
      {L"v1.0", false, 0},
      {L"", false, 0},
      {nullptr, false, 0},
  };
  for (const Case& c : cases) {
    DottedVersion version{};
    EXPECT_EQ(ParseDottedVersion(c.text, &version), c.ok) << (c.text ? "text" : "null");
    EXPECT_EQ(version.packed, c.packed) << (c.text ? "text" : "null");
  }
  DottedVersion a{};
  DottedVersion b{};
  ParseDottedVersion(L"1.10", &a);
  ParseDottedVersion(L"1.9.9.9", &b);
  EXPECT_GT(a.packed, b.packed);
}

void ExpectVersionResource(const wchar_t* path, DWORD fileType, DWORD subtype,
                           const wchar_t* name) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &bytes));
  EXPECT_EQ(fixed->dwFileType, fileType);
  EXPECT_EQ(fixed->dwFileSubtype, subtype);
  DottedVersion product{};
  ParseDottedVersion(ZN_VERSION_TEXT, &product);
  EXPECT_EQ((static_cast<uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS,
            product.packed);
  EXPECT_EQ(GetFileVersion(path), product.packed);
  wchar_t text[64];
  ASSERT_EQ(QueryVersionString(path, L"ProductName", text, 64), 64);
  EXPECT_STREQ(text, ZN_DISPLAY_NAME);
  ASSERT_EQ(QueryVersionString(path, L"OriginalFilename", text, 64), 64);
  EXPECT_STREQ(text, name);
  // A value the block lacks, and a cut value.
  EXPECT_EQ(QueryVersionString(path, L"NoSuchValue", text, 64), 1);
  EXPECT_STREQ(text, L"");
  EXPECT_EQ(QueryVersionString(path, L"OriginalFilename", text, 4), 4);
  EXPECT_EQ(wcslen(text), 3u);
}

TEST(VersionResources, ModuleIsAnInputMethodDriverAndProgramsApplications) {
  ExpectVersionResource(ZN_MODULE_PATH, VFT_DRV, VFT2_DRV_INPUTMETHOD, L"zinIME.ime");
  ExpectVersionResource(ZN_INSTALLER_EXE, VFT_APP, VFT2_UNKNOWN, L"installer.exe");
#ifdef ZN_CONFIG_EXE
  ExpectVersionResource(ZN_CONFIG_EXE, VFT_APP, VFT2_UNKNOWN, L"config.exe");
#endif
  // What the guarded copy compares.
  Win32InstallerOs os;
  DottedVersion product{};
  ParseDottedVersion(ZN_VERSION_TEXT, &product);
  EXPECT_EQ(FileVersionOf(os, ZN_MODULE_PATH), product.packed);
  EXPECT_EQ(GetFileVersion(L"C:\\no\\such\\file.dll"), 0u);
}

}  // namespace
