// Path guards and the in-process tree removal: what may be removed, links
// left alone, busy files deferred, and the temporary copy's self-delete.
#include <gtest/gtest.h>

#include "installer/core/FolderTree.h"
#include "installer/core/PathGuard.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

RemovalGuard SampleGuard() {
  RemovalGuard guard;
  for (const wchar_t* folder :
       {L"C:\\Windows\\", L"C:\\Windows\\System32\\", L"C:\\Program Files\\", L"C:\\ProgramData\\",
        L"C:\\Users\\me\\", L"C:\\Users\\me\\Documents\\",
        L"C:\\Users\\me\\AppData\\Local\\Temp\\"}) {
    guard.protectedFolders.push_back(folder);
  }
  guard.expectedParent = L"C:\\ProgramData\\";
  return guard;
}

TEST(PathGuard, VerdictsOfRemovalTargets) {
  RemovalGuard guard = SampleGuard();
  struct Case {
    const wchar_t* path;
    uint32_t drive;
    PathVerdict verdict;
  };
  const Case cases[] = {
      {L"C:\\ProgramData\\ZinnorIME3\\zinIME\\", DRIVE_FIXED, PathVerdict::kOk},
      {L"c:/programdata/ZinnorIME3/zinIME", DRIVE_FIXED, PathVerdict::kOk},
      {L"C:\\ProgramData\\", DRIVE_FIXED, PathVerdict::kProtected},
      {L"C:\\PROGRAMDATA", DRIVE_FIXED, PathVerdict::kProtected},
      {L"C:\\Users\\", DRIVE_FIXED, PathVerdict::kProtected},  // holds the profile
      {L"C:\\", DRIVE_FIXED, PathVerdict::kDriveRoot},
      {L"C:\\ProgramDatax\\a", DRIVE_FIXED, PathVerdict::kOutsideParent},
      {L"C:\\Temp\\x", DRIVE_FIXED, PathVerdict::kOutsideParent},
      {L"D:\\ProgramData\\x", DRIVE_FIXED, PathVerdict::kOutsideParent},
      {L"C:\\ProgramData\\x", DRIVE_REMOTE, PathVerdict::kNotLocal},
      {L"C:\\ProgramData\\x", DRIVE_NO_ROOT_DIR, PathVerdict::kNotLocal},
      {L"C:\\ProgramData\\ZinnorIME3\\..\\..\\Windows", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\.\\x", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\t&ver", DRIVE_FIXED, PathVerdict::kOk},
      {L"C:\\ProgramData\\x:stream", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\con", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\x\\\\y", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\x*", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:\\ProgramData\\x. ", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"\\\\server\\share\\ProgramData\\x", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"\\\\?\\C:\\ProgramData\\x", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"ProgramData\\x", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"C:ProgramData\\x", DRIVE_FIXED, PathVerdict::kMalformed},
      {L"", DRIVE_FIXED, PathVerdict::kMalformed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckRemovalTarget(c.path, guard, c.drive), c.verdict)
        << std::string(c.path, c.path + wcslen(c.path));
  }
  // An empty expected parent accepts nothing.
  guard.expectedParent.clear();
  EXPECT_EQ(CheckRemovalTarget(L"C:\\ProgramData\\x", guard, DRIVE_FIXED),
            PathVerdict::kOutsideParent);
}

TEST(PathGuard, PlainNamesAndNormalForm) {
  for (const wchar_t* good : {L"zinIME", L"星禾五笔", L"a.b", L"$dataFiles$", L"con1", L"COM10"}) {
    EXPECT_TRUE(IsPlainFileName(good)) << std::string(good, good + wcslen(good));
  }
  for (const wchar_t* bad : {L"", L".", L"..", L"a\\b", L"a/b", L"a:b", L"CON", L"nul.txt", L"Lpt1",
                             L"com3.dll", L"a?", L"a\x01", L"trailing.", L"trailing "}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << std::string(bad, bad + wcslen(bad));
  }
  std::wstring out;
  ASSERT_TRUE(NormaliseLocalPath(L"c:/a\\b/", &out));
  EXPECT_EQ(out, L"C:\\a\\b\\");
  EXPECT_TRUE(IsStrictlyInside(L"C:\\A\\b\\", L"c:\\a\\"));
  EXPECT_FALSE(IsStrictlyInside(L"C:\\a\\", L"C:\\a\\"));
  EXPECT_FALSE(IsStrictlyInside(L"C:\\ab\\", L"C:\\a"));
}

TEST(FolderRemoval, RemovesTreeButNeverFollowsLinks) {
  FakeInstallerOs os;
  std::wstring family = os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\";
  std::wstring target = family + L"zinIME\\";
  std::wstring outside = os.Folder(KnownFolder::kDocuments) + L"keep\\";
  ASSERT_TRUE(CreateDirectoryPath(os, target + L"sub\\deeper"));
  ASSERT_TRUE(CreateDirectoryPath(os, target + L"link"));
  ASSERT_TRUE(CreateDirectoryPath(os, outside));
  ASSERT_TRUE(WriteFileBytes(target + L"a.dmg", Bytes("a")));
  ASSERT_TRUE(WriteFileBytes(target + L"sub\\deeper\\b.txt", Bytes("b")));
  ASSERT_TRUE(WriteFileBytes(target + L"link\\c.txt", Bytes("c")));
  ASSERT_TRUE(WriteFileBytes(outside + L"d.txt", Bytes("d")));
  SetFileAttributesW((target + L"a.dmg").c_str(), FILE_ATTRIBUTE_READONLY);
  // "link" stands for a junction: what it holds is somebody else's.
  os.links.insert(Lower(target + L"link"));

  EXPECT_TRUE(RemoveFolderTree(os, target, family));
  EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(family.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW((outside + L"d.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(os.unlinked.size(), 1u);
  EXPECT_EQ(ReadFileBytes(os.unlinked[0] + L"c.txt"), Bytes("c"));
  // Already gone is gone.
  EXPECT_TRUE(RemoveFolderTree(os, target, family));

  // Below a link, on the way or at the parent, nothing is removed: it
  // would be removed wherever the link points.
  ASSERT_TRUE(CreateDirectoryPath(os, target + L"sub"));
  ASSERT_TRUE(WriteFileBytes(target + L"sub\\e.txt", Bytes("e")));
  for (const std::wstring& link : {target, family}) {
    os.links = {Lower(link.back() == L'\\' ? link.substr(0, link.size() - 1) : link)};
    EXPECT_FALSE(RemoveFolderTree(os, target + L"sub\\", family));
    EXPECT_FALSE(RemoveFolderTree(os, target + L"sub\\", os.Folder(KnownFolder::kCommonAppData)));
    EXPECT_EQ(ReadFileBytes(target + L"sub\\e.txt"), Bytes("e"));
  }
}

TEST(FolderRemoval, GuardRefusalsTouchNothing) {
  FakeInstallerOs os;
  std::wstring data = os.Folder(KnownFolder::kCommonAppData);
  std::wstring family = data + L"ZinnorIME3\\";
  ASSERT_TRUE(CreateDirectoryPath(os, family + L"zinIME"));
  ASSERT_TRUE(WriteFileBytes(family + L"zinIME\\x.txt", Bytes("x")));
  for (const std::wstring& bad :
       {data, family, os.Folder(KnownFolder::kProfile), family + L"..\\",
        os.Folder(KnownFolder::kDocuments) + L"zinIME\\", std::wstring()}) {
    EXPECT_FALSE(RemoveFolderTree(os, bad, family)) << std::string(bad.begin(), bad.end());
  }
  EXPECT_NE(GetFileAttributesW((family + L"zinIME\\x.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FolderRemoval, BusyFileIsDeferredAndReported) {
  FakeInstallerOs os;
  std::wstring temp = os.Folder(KnownFolder::kTemp);
  std::wstring work = temp + L"$zinInstaller$-7\\";
  ASSERT_TRUE(CreateDirectoryPath(os, work));
  ASSERT_TRUE(WriteFileBytes(work + L"held.ime", Bytes("m")));
  os.busy.insert(Lower(work + L"held.ime"));
  EXPECT_FALSE(RemoveFolderTree(os, work, temp));
  EXPECT_NE(std::find(os.rebootDeletes.begin(), os.rebootDeletes.end(), work + L"held.ime"),
            os.rebootDeletes.end());
  os.busy.clear();
  EXPECT_TRUE(RemoveFolderTree(os, work, temp));
}

TEST(SelfDelete, OnlyTheTemporaryCopyAndQuoted) {
  FakeInstallerOs os;
  std::wstring temp = os.Folder(KnownFolder::kTemp);
  EXPECT_EQ(TempCopyPath(temp, 77), temp + L"zinInstaller-77.exe");
  EXPECT_TRUE(IsTempCopyPath(temp + L"ZININSTALLER-12.EXE", temp));
  for (const std::wstring& other :
       {temp + L"zinInstaller-.exe", temp + L"zinInstaller-1x.exe",
        temp + L"sub\\zinInstaller-1.exe", temp + L"installer.exe",
        os.Folder(KnownFolder::kProgramFiles) + L"zinInstaller-1.exe"}) {
    EXPECT_FALSE(IsTempCopyPath(other, temp)) << std::string(other.begin(), other.end());
  }

  os.ownPath = os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\installer.exe";
  EXPECT_EQ(DeleteSelfOnExit(os), 0);
  EXPECT_TRUE(os.children.empty());
  EXPECT_TRUE(os.rebootDeletes.empty());

  os.ownPath = TempCopyPath(temp, 77);
  EXPECT_EQ(DeleteSelfOnExit(os), 1);
  ASSERT_EQ(os.children.size(), 1u);
  EXPECT_EQ(os.children[0], L"\"" + os.Folder(KnownFolder::kSystem) + L"cmd.exe\" /c del /f /q \"" +
                                os.ownPath + L"\"");
  EXPECT_EQ(os.rebootDeletes, std::vector<std::wstring>{os.ownPath});
}

TEST(FolderCreation, EveryLevel) {
  FakeInstallerOs os;
  std::wstring deep = os.Folder(KnownFolder::kProgramFiles) + L"a\\b\\c";
  EXPECT_TRUE(CreateDirectoryPath(os, deep));
  EXPECT_TRUE(CreateDirectoryPath(os, deep + L"\\"));
  ASSERT_TRUE(WriteFileBytes(deep + L"\\file", Bytes("f")));
  EXPECT_FALSE(CreateDirectoryPath(os, deep + L"\\file\\x"));
}

}  // namespace
}  // namespace zn::test
