// Folders a standard user planted before an administrator installs: a link
// or a folder of their own at the data or install folder, or above it. The
// fake reports links and owners as Windows would (Wine can make neither);
// its links are real folders standing for the link's target, so whatever
// lands in one would have landed in the target.
#include <gtest/gtest.h>

#include "installer/core/FileAccess.h"
#include "installer/core/FilePlacement.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/InstallSteps.h"
#include "installer/core/ProductPaths.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

std::wstring Bare(const std::wstring& folder) {
  return folder.substr(0, folder.size() - 1);
}

// Files and granted rights anywhere below folder.
size_t CountBelow(FakeInstallerOs& os, const std::wstring& folder) {
  std::vector<FolderEntry> entries;
  os.Win32InstallerOs::ListFolder(folder.c_str(), &entries);
  size_t count = entries.size();
  std::wstring prefix = Lower(folder);
  for (const auto& [path, acl] : os.dacls) count += path.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

bool Is(const AceView& ace, WELL_KNOWN_SID_TYPE account) {
  std::vector<uint8_t> sid = WellKnownSid(account);
  return SameSid(ace.sid.data(), sid.data());
}

enum class Plant { kDataLink, kFamilyLink, kDataForeign, kInstallLink, kInstallForeign };

// Plants one folder; returns the path the refusal must name.
std::wstring PlantFolder(InstallFixture& f, Plant plant) {
  std::wstring planted = Bare(f.Data());
  std::wstring family = f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3";
  if (plant == Plant::kFamilyLink) planted = family;
  if (plant == Plant::kInstallLink || plant == Plant::kInstallForeign) planted = Bare(f.Install());
  CreateDirectoryPath(f.os, planted);
  if (plant == Plant::kDataForeign || plant == Plant::kInstallForeign) {
    f.os.foreignOwners.insert(Lower(planted));
  } else {
    f.os.links.insert(Lower(planted));
  }
  return planted;
}

TEST(PlantedFolder, InstallStepRefusesAndChangesNothing) {
  for (Plant plant : {Plant::kDataLink, Plant::kFamilyLink, Plant::kDataForeign,
                      Plant::kInstallLink, Plant::kInstallForeign}) {
    InstallFixture f;
    f.Unpack();
    std::wstring planted = PlantFolder(f, plant);
    std::wstring victim = planted + L"\\victim.txt";
    WriteFileBytes(victim, Bytes("victim"));
    EXPECT_FALSE(InstallFileSystem(*f.state, f.os)) << planted;
    EXPECT_TRUE(f.log.Has(L"错误: 目录不可信任，操作已停止: " + planted)) << planted;
    // Nothing placed, granted or created anywhere, and the package is whole.
    EXPECT_EQ(CountBelow(f.os, planted + L"\\"), 1u) << planted;
    EXPECT_EQ(ReadFileBytes(victim), Bytes("victim"));
    EXPECT_TRUE(f.os.dacls.empty());
    EXPECT_TRUE(f.os.securedFolders.empty());
    EXPECT_FALSE(Exists(f.Module()));
    EXPECT_TRUE(Exists(std::wstring(f.state->unpackFolder) + L"$dataFiles$\\main.dmg"));
  }
}

TEST(PlantedFolder, WizardRefusesBeforeClearingAnEarlierInstall) {
  InstallFixture f;
  std::wstring planted = PlantFolder(f, Plant::kFamilyLink);
  CreateDirectoryPath(f.os, f.Data());
  WriteFileBytes(f.Data() + L"main.dmg", Bytes("victim"));
  std::wstring folder = f.Install();
  EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, folder), FolderPreparation::kRefused);
  ASSERT_EQ(f.os.messages.size(), 1u);
  EXPECT_EQ(f.os.messages[0].rfind(L"输入法安装|目录:\r\n" + planted + L"\r\n是链接", 0), 0u);
  EXPECT_EQ(ReadFileBytes(f.Data() + L"main.dmg"), Bytes("victim"));
  EXPECT_FALSE(Exists(folder));
}

// A user-owned folder elsewhere on the disk may hold the install folder;
// only a link on the way or a foreign install folder itself is refused.
TEST(PlantedFolder, OutsideTheSystemFoldersOnlyLinksAndTheFolderItselfCount) {
  FakeInstallerOs os;
  std::wstring mine = os.root() + L"Tools";
  std::wstring folder = mine + L"\\zinIME\\";
  CreateDirectoryPath(os, mine);
  os.foreignOwners.insert(Lower(mine));
  std::wstring part;
  EXPECT_EQ(FindUntrustedPart(os, folder, &part), FolderTrust::kTrusted);
  CreateDirectoryPath(os, folder);
  os.foreignOwners.insert(Lower(Bare(folder)));
  EXPECT_EQ(FindUntrustedPart(os, folder, &part), FolderTrust::kForeignOwner);
  EXPECT_EQ(part, Bare(folder));
  os.links.insert(Lower(mine));
  EXPECT_EQ(FindUntrustedPart(os, folder, &part), FolderTrust::kLink);
  EXPECT_EQ(part, mine);
  // A file where a folder belongs is no folder to write into.
  std::wstring file = os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3";
  WriteFileBytes(file, Bytes("x"));
  EXPECT_EQ(FindUntrustedPart(os, file + L"\\zinIME\\", &part), FolderTrust::kNotFolder);
}

TEST(PlantedFolder, CreatedFoldersAreAdministratorsOnlyButTheDataFolderTakesFiles) {
  InstallFixture f;
  f.Unpack();
  ASSERT_TRUE(InstallFileSystem(*f.state, f.os));
  std::wstring family = Lower(f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3");
  std::wstring install = Lower(f.Install());
  for (const std::wstring& folder : {family, Bare(install), install + L"tessel"}) {
    ASSERT_TRUE(f.os.securedFolders.count(folder)) << folder;
    for (const AceView& ace : AclEntries(f.os.securedFolders[folder])) {
      bool admin = Is(ace, WinLocalSystemSid) || Is(ace, WinBuiltinAdministratorsSid);
      EXPECT_FALSE(Is(ace, WinWorldSid));
      if (!admin) EXPECT_EQ(ace.mask & ~kReadExecuteAccess, 0u) << folder;
    }
  }
  ASSERT_TRUE(f.os.securedFolders.count(Lower(Bare(f.Data()))));
  int folderItself = 0;
  int passedToFiles = 0;
  for (const AceView& ace : AclEntries(f.os.securedFolders[Lower(Bare(f.Data()))])) {
    bool wide = Is(ace, WinWorldSid) || Is(ace, WinBuiltinAnyPackageSid);
    if (!wide || ace.mask == kReadExecuteAccess) continue;
    // Never passed to folders, never the right to remove or re-point the folder.
    EXPECT_EQ(ace.flags & CONTAINER_INHERIT_ACE, 0);
    if (ace.flags & INHERIT_ONLY_ACE) {
      ++passedToFiles;
      EXPECT_EQ(ace.mask, kModifyAccess);
      EXPECT_EQ(ace.flags, OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE);
    } else {
      ++folderItself;
      EXPECT_EQ(ace.mask & (DELETE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | WRITE_DAC), 0u);
      EXPECT_NE(ace.mask & FILE_ADD_FILE, 0u);
    }
  }
  EXPECT_EQ(folderItself, 2);
  EXPECT_EQ(passedToFiles, 2);
}

// In a data folder of an earlier install, a data file's name may have been
// made a link: the link goes, a new file takes the name and the rights.
TEST(PlantedFolder, ALinkedDataFileIsReplacedNotWrittenThrough) {
  InstallFixture f;
  f.Unpack();
  std::wstring linked = f.Data() + L"main.dmg";
  CreateDirectoryPath(f.os, linked);
  WriteFileBytes(linked + L"\\victim.sys", Bytes("victim"));
  f.os.links.insert(Lower(linked));
  ASSERT_TRUE(InstallFileSystem(*f.state, f.os)) << f.log.lines.back();
  ASSERT_EQ(f.os.unlinked.size(), 1u);
  EXPECT_EQ(ReadFileBytes(f.os.unlinked[0] + L"victim.sys"), Bytes("victim"));
  EXPECT_EQ(CountBelow(f.os, f.os.unlinked[0]), 1u);
  EXPECT_EQ(ReadFileBytes(linked), BuildDmgBytes(SmallMainTable(false)));
  EXPECT_TRUE(f.os.dacls.count(Lower(linked)));
  // The earlier data folder's own rights are rewritten, through its handle.
  EXPECT_TRUE(f.os.dacls.count(Lower(Bare(f.Data()))));
}

// A second name of a file elsewhere goes; the file it names keeps its
// bytes and gets no rights.
TEST(PlantedFolder, AHardLinkedDataFileIsReplacedNotWrittenThrough) {
  InstallFixture f;
  f.Unpack();
  std::wstring victim = f.os.Folder(KnownFolder::kDocuments) + L"victim.sys";
  WriteFileBytes(victim, Bytes("victim"));
  CreateDirectoryPath(f.os, f.Data());
  ASSERT_TRUE(CreateHardLinkW((f.Data() + L"config.dsc").c_str(), victim.c_str(), nullptr));
  ASSERT_TRUE(InstallFileSystem(*f.state, f.os)) << f.log.lines.back();
  EXPECT_EQ(ReadFileBytes(victim), Bytes("victim"));
  EXPECT_EQ(ReadFileBytes(f.Data() + L"config.dsc"), DefaultConfigImage());
  EXPECT_FALSE(f.os.dacls.count(Lower(victim)));
  EXPECT_TRUE(f.os.dacls.count(Lower(f.Data() + L"config.dsc")));
}

// An install folder the administrator chose below a folder a user owns:
// once the folder has been judged, the user may move their level away and
// put a link in its place, or leave a second name of one of their files
// where a program goes. The files land in the folder that was judged, and
// the second name goes itself; the moving is real, the link scripted.
TEST(PlantedFolder, PlacementWritesOnlyIntoTheFolderItJudged) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring mine = os.root() + L"Tools";
  std::wstring folder = mine + L"\\zinIME\\";
  ASSERT_TRUE(CreateDirectoryPath(os, mine));
  os.foreignOwners.insert(Lower(mine));
  ASSERT_TRUE(MakeTrustedFolder(os, folder, false));
  std::wstring source = os.Folder(KnownFolder::kTemp) + L"config.exe";
  WriteFileBytes(source, Bytes("new"));
  WriteFileBytes(folder + L"config.exe", Bytes("old"));
  os.versions[Lower(source)] = L"1.0.0.0";
  os.versions[Lower(folder + L"config.exe")] = L"0.9.0.0";
  std::wstring moved = os.root() + L"Moved";
  os.onMessage = [&] {  // while the version question is up
    ASSERT_TRUE(MoveFileExW(mine.c_str(), moved.c_str(), 0));
    ASSERT_TRUE(CreateDirectoryPath(os, folder));  // where the link points
    os.links.insert(Lower(mine));
  };
  os.answers = {IDYES};
  EXPECT_EQ(CopyFileGuarded(*state, os, source, folder + L"config.exe", kFamilyAll,
                            FileAccessKind::kProgram),
            1);
  EXPECT_EQ(os.messages.size(), 1u);
  EXPECT_EQ(ReadFileBytes(moved + L"\\zinIME\\config.exe"), Bytes("new"));
  EXPECT_FALSE(Exists(folder + L"config.exe"));

  std::wstring victim = os.Folder(KnownFolder::kDocuments) + L"victim.txt";
  std::wstring other = os.root() + L"Other\\zinIME\\";
  WriteFileBytes(victim, Bytes("victim"));
  ASSERT_TRUE(MakeTrustedFolder(os, other, false));
  ASSERT_TRUE(CreateHardLinkW((other + L"readme.txt").c_str(), victim.c_str(), nullptr));
  EXPECT_EQ(CopyFileGuarded(*state, os, source, other + L"readme.txt", kFamilyAll,
                            FileAccessKind::kProgram),
            1);
  EXPECT_EQ(ReadFileBytes(victim), Bytes("victim"));
  EXPECT_EQ(ReadFileBytes(other + L"readme.txt"), Bytes("new"));
  EXPECT_FALSE(os.dacls.count(Lower(victim)));
}

// The rights of a link are neither read nor written: the grant fails and
// the copy with it.
TEST(PlantedFolder, NoRightsAreGrantedThroughALink) {
  InstallFixture f;
  std::wstring linked = f.os.Folder(KnownFolder::kTemp) + L"skin.col";
  CreateDirectoryPath(f.os, linked);
  f.os.links.insert(Lower(linked));
  EXPECT_FALSE(ApplyFileAccess(*f.state, f.os, linked, FileAccessKind::kDataFile));
  EXPECT_TRUE(f.os.dacls.empty());
}

}  // namespace
}  // namespace zn::test
