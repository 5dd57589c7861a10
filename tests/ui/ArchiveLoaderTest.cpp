// The archive loader against archives made here: layouts minizip reads, and
// the damage it must refuse without trusting the zip directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/ui/ZipWriter.h"
#include "ui/skin/ArchiveLoader.h"

using zn::test::Bytes;
using zn::test::TempDir;
using zn::test::ZipEntry;
using zn::test::ZipWriter;

namespace {

constexpr ArchiveLimits kLimits{64, 1u << 20, 8u << 20};

struct Loaded {
  ArchiveEntryList* list = nullptr;
  ~Loaded() { FreeArchiveEntries(list); }
  const ArchiveEntry& operator[](uint32_t i) const { return list->Entries()[i]; }
  std::string Text(uint32_t i) const {
    const ArchiveEntry& e = (*this)[i];
    return std::string(reinterpret_cast<const char*>(e.data), e.length);
  }
};

void Load(const TempDir& dir,
          const std::vector<uint8_t>& bytes,
          Loaded* out,
          const ArchiveLimits& limits = kLimits) {
  std::wstring path = dir.File(L"test.zip");
  ASSERT_TRUE(zn::test::WriteFileBytes(path, bytes));
  out->list = LoadArchiveEntries(zn::test::Ansi(path).c_str(), limits);
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

TEST(ArchiveLoader, ReadsStoredAndDeflatedEntriesInDirectoryOrder) {
  TempDir dir;
  std::string big = Repeat("skin data ", 5000);
  Loaded got;
  Load(dir,
       ZipWriter()
           .Add("skin.ini", Bytes("stored text"))
           .Add("bar.png", Bytes(big), true)
           .Add("dir\\inner.txt", Bytes("in a folder"), true)
           .Add("bar.png", Bytes("second copy"))
           .Build(),
       &got);
  ASSERT_NE(got.list, nullptr);
  ASSERT_EQ(got.list->count, 4u);
  EXPECT_STREQ(got[0].name, "skin.ini");
  EXPECT_EQ(got.Text(0), "stored text");
  EXPECT_EQ(got.Text(1), big);
  EXPECT_STREQ(got[2].name, "dir\\inner.txt");
  EXPECT_EQ(got.Text(2), "in a folder");
  // Duplicates both appear, in directory order.
  EXPECT_STREQ(got[3].name, "bar.png");
  EXPECT_EQ(got.Text(3), "second copy");
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(got[i].flags, kArchiveEntryRead);
}

TEST(ArchiveLoader, EmptyArchiveAndEmptyEntry) {
  TempDir dir;
  Loaded empty;
  Load(dir, ZipWriter().Build(), &empty);
  ASSERT_NE(empty.list, nullptr);
  EXPECT_EQ(empty.list->count, 0u);

  Loaded zero;
  Load(dir, ZipWriter().Add("empty.txt", {}).Add("after.txt", Bytes("x"), true).Build(), &zero);
  ASSERT_NE(zero.list, nullptr);
  ASSERT_EQ(zero.list->count, 2u);
  // A valid empty entry: read, no data, and the next entry is still read.
  EXPECT_EQ(zero[0].length, 0u);
  EXPECT_EQ(zero[0].data, nullptr);
  EXPECT_EQ(zero[0].flags, kArchiveEntryRead);
  EXPECT_EQ(zero.Text(1), "x");
}

TEST(ArchiveLoader, LongNameIsCutAndMarked) {
  TempDir dir;
  std::string name = std::string(66, 'n') + ".png";  // 70 characters
  Loaded got;
  Load(dir, ZipWriter().Add(name, Bytes("data")).Build(), &got);
  ASSERT_NE(got.list, nullptr);
  EXPECT_EQ(std::string(got[0].name), name.substr(0, 63));
  EXPECT_EQ(got[0].flags, kArchiveEntryRead | kArchiveEntryNameCut);
  EXPECT_EQ(got.Text(0), "data");
}

TEST(ArchiveLoader, DamagedEntriesAreUnreadableAndTheRestStillRead) {
  TempDir dir;
  ZipEntry badCrcStored{"crc-stored", Bytes("hello"), false, 0x1};
  ZipEntry badCrcDeflated{"crc-deflated", Bytes(Repeat("abc", 100)), true, 0x80000000u};
  ZipEntry huge{"huge", Bytes("tiny"), true};
  huge.declaredSize = 0x7FFFFFF0;  // far above the caller's cap
  ZipEntry longer{"longer", Bytes("tiny"), false};
  longer.declaredSize = 100;  // more than the stored data holds
  ZipEntry encrypted{"encrypted", Bytes("secret"), false};
  encrypted.extraFlags = 1;
  ZipEntry bzip{"bzip2", Bytes("raw"), false};
  bzip.method = 12;  // would come back raw, without a CRC check
  Loaded got;
  Load(dir,
       ZipWriter()
           .Add(badCrcStored)
           .Add(badCrcDeflated)
           .Add(huge)
           .Add(longer)
           .Add(encrypted)
           .Add(bzip)
           .Add("good", Bytes("fine"), true)
           .Build(),
       &got);
  ASSERT_NE(got.list, nullptr);
  ASSERT_EQ(got.list->count, 7u);
  for (uint32_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(got[i].name);
    EXPECT_EQ(got[i].length, 0u);
    EXPECT_EQ(got[i].data, nullptr);
    EXPECT_EQ(got[i].flags & kArchiveEntryRead, 0u);
  }
  EXPECT_EQ(got.Text(6), "fine");
}

TEST(ArchiveLoader, CallerLimitsBoundEntriesAndTotal) {
  TempDir dir;
  std::vector<uint8_t> bytes = ZipWriter()
                                   .Add("a", Bytes(std::string(600, 'a')), true)
                                   .Add("b", Bytes(std::string(600, 'b')), true)
                                   .Add("c", Bytes(std::string(100, 'c')), true)
                                   .Build();
  Loaded perEntry;
  Load(dir, bytes, &perEntry, {64, 500, 1u << 20});
  ASSERT_NE(perEntry.list, nullptr);
  EXPECT_EQ(perEntry[0].length, 0u);
  EXPECT_EQ(perEntry[2].length, 100u);

  Loaded total;
  Load(dir, bytes, &total, {64, 1000, 1000});
  ASSERT_NE(total.list, nullptr);
  EXPECT_EQ(total[0].length, 600u);
  EXPECT_EQ(total[1].length, 0u);  // would pass the total
  EXPECT_EQ(total[2].length, 100u);

  Loaded tooMany;
  Load(dir, bytes, &tooMany, {2, 1000, 1000});
  EXPECT_EQ(tooMany.list, nullptr);
}

TEST(ArchiveLoader, TruncatedMissingAndForeignFilesNeverCrash) {
  TempDir dir;
  std::vector<uint8_t> bytes =
      ZipWriter().Add("one", Bytes(Repeat("1", 3000)), true).Add("two", Bytes("2")).Build();
  for (size_t cut : {size_t{0}, size_t{10}, bytes.size() / 2, bytes.size() - 1}) {
    SCOPED_TRACE(cut);
    Loaded got;
    Load(dir, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), &got);
    if (got.list) {
      for (uint32_t i = 0; i < got.list->count; ++i) {
        EXPECT_EQ(got[i].length == 0, got[i].data == nullptr);
      }
    }
  }
  // A directory that points its entry past the end of the file.
  std::vector<uint8_t> shifted = ZipWriter().Add("x", Bytes("payload")).Build();
  shifted[shifted.size() - 6] = 0x40;  // central directory offset
  Loaded bad;
  Load(dir, shifted, &bad);
  if (bad.list) {
    for (uint32_t i = 0; i < bad.list->count; ++i) EXPECT_EQ(bad[i].length, 0u);
  }

  Loaded text;
  Load(dir, Bytes("this is not a zip archive at all"), &text);
  EXPECT_EQ(text.list, nullptr);
  EXPECT_EQ(LoadArchiveEntries(zn::test::Ansi(dir.File(L"missing.zip")).c_str(), kLimits), nullptr);
  EXPECT_EQ(LoadArchiveEntries(nullptr, kLimits), nullptr);
}

TEST(ArchiveLoader, WantedEntriesOnlyAndLargeEntriesAcrossTheReadWindow) {
  TempDir dir;
  // Entries larger than the read window, stored and deflated, between small
  // ones whose headers are read in the same window.
  std::string big(300000, 'q');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
  ZipWriter zip;
  zip.Add("one.txt", Bytes("first"));
  zip.Add("big.bin", Bytes(big));
  zip.Add("two.txt", Bytes("second"), true);
  zip.Add("big2.bin", Bytes(big), true);
  zip.Add("skip.txt", Bytes("never read"));
  ArchiveLimits limits = kLimits;
  limits.wanted = [](const char* name) { return std::strcmp(name, "skip.txt") != 0; };
  Loaded loaded;
  Load(dir, zip.Build(), &loaded, limits);
  ASSERT_NE(loaded.list, nullptr);
  ASSERT_EQ(loaded.list->count, 5u);
  EXPECT_EQ(loaded.Text(0), "first");
  EXPECT_EQ(loaded.Text(1), big);
  EXPECT_EQ(loaded.Text(2), "second");
  EXPECT_EQ(loaded.Text(3), big);
  // Not wanted: named, but no data and not marked read.
  EXPECT_STREQ(loaded[4].name, "skip.txt");
  EXPECT_EQ(loaded[4].data, nullptr);
  EXPECT_EQ(loaded[4].flags & kArchiveEntryRead, 0u);
}

// The wide entry point opens a folder no ANSI code page can name, and reports
// which names the zip declares as UTF-8.
TEST(ArchiveLoader, WidePathAndUtf8NameFlag) {
  TempDir dir;
  std::wstring folder = dir.File(L"安装包\u0411\\");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ZipEntry utf8{"\xE4\xB8\xAD.txt", Bytes("utf-8 name")};
  utf8.extraFlags = 0x800;
  std::vector<uint8_t> zip = ZipWriter().Add(utf8).Add("plain.txt", Bytes("ascii")).Build();
  ASSERT_TRUE(zn::test::WriteFileBytes(folder + L"p.zip", zip));
  Loaded got;
  got.list = LoadArchiveEntriesW((folder + L"p.zip").c_str(), kLimits);
  ASSERT_NE(got.list, nullptr);
  ASSERT_EQ(got.list->count, 2u);
  EXPECT_EQ(got.Text(0), "utf-8 name");
  EXPECT_NE(got[0].flags & kArchiveEntryUtf8Name, 0u);
  EXPECT_EQ(got[1].flags & kArchiveEntryUtf8Name, 0u);
  EXPECT_NE(got[1].flags & kArchiveEntryRead, 0u);

  Loaded missing;
  missing.list = LoadArchiveEntriesW((folder + L"none.zip").c_str(), kLimits);
  EXPECT_EQ(missing.list, nullptr);
  ASSERT_TRUE(zn::test::WriteFileBytes(folder + L"empty.zip", ZipWriter().Build()));
  Loaded empty;
  empty.list = LoadArchiveEntriesW((folder + L"empty.zip").c_str(), kLimits);
  ASSERT_NE(empty.list, nullptr);
  EXPECT_EQ(empty.list->count, 0u);
}
