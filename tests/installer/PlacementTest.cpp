// File placement: the guarded copy's decisions, access rules composed in
// memory, the step table run against the fake, folder copies and fonts.
#include <gtest/gtest.h>

#include "installer/core/FileAccess.h"
#include "installer/core/FilePlacement.h"
#include "installer/core/FolderTree.h"
#include "installer/core/GuardedCopy.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

struct CopyFixture {
  FakeInstallerOs os;
  std::unique_ptr<InstallerState> state = ProductState(os);
  ScriptedProcessList holders;
  std::wstring source;
  std::wstring target;

  explicit CopyFixture(const std::wstring& targetName) {
    state->processList = &holders;
    source = os.Folder(KnownFolder::kTemp) + L"new.bin";
    target = os.Folder(KnownFolder::kSystem) + targetName;
    WriteFileBytes(source, Bytes("new"));
  }
  int Copy(int family = kFamily64) {
    return CopyFileGuarded(*state, os, source, target, family, FileAccessKind::kNone);
  }
  std::vector<uint8_t> Target() { return ReadFileBytes(LowerAscii(target)); }
};

TEST(GuardedCopy, VersionQuestionForUpgradesAndDowngrades) {
  struct Case {
    const wchar_t* have;  // null: no target yet
    int answer;
    bool asked;
    bool replaced;
  };
  const Case cases[] = {
      {nullptr, IDYES, false, true},
      {L"1.0.0.0", IDYES, false, true},  // same version: no question
      {L"0.9.0.0", IDYES, true, true},
      {L"0.9.0.0", IDNO, true, false},
      {L"1.0.1.0", IDNO, true, false},  // a newer installed file asks too
      {L"2.0", IDYES, true, true},
  };
  for (const Case& c : cases) {
    CopyFixture f(L"Zin.ime");
    f.os.versions[Lower(f.source)] = L"1.0.0.0";
    if (c.have) {
      WriteFileBytes(LowerAscii(f.target), Bytes("old"));
      f.os.versions[Lower(f.target)] = c.have;
    }
    f.os.answers = {c.answer};
    EXPECT_EQ(f.Copy(), 1);
    EXPECT_EQ(f.os.messages.size(), c.asked ? 1u : 0u) << (c.have ? "have" : "none");
    if (c.asked) {
      const wchar_t* word = std::wstring(c.have) < L"1.0.0.0" ? L"低于" : L"高于";
      EXPECT_NE(f.os.messages[0].find(word), std::wstring::npos);
      EXPECT_NE(f.os.messages[0].find(LowerAscii(f.target)), std::wstring::npos);
    }
    EXPECT_EQ(f.Target(), Bytes(c.replaced ? "new" : "old"));
  }
}

TEST(GuardedCopy, BusyModuleIsMovedAsideBeforeAnyProcessList) {
  CopyFixture f(L"ZinIME.ime");
  std::wstring lower = LowerAscii(f.target);
  WriteFileBytes(lower, Bytes("old"));
  f.os.busy.insert(Lower(lower));
  EXPECT_EQ(f.Copy(), 1);
  EXPECT_EQ(f.Target(), Bytes("new"));
  EXPECT_EQ(f.holders.runs, 0);
  ASSERT_EQ(f.os.rebootDeletes.size(), 1u);
  EXPECT_EQ(f.os.rebootDeletes[0].rfind(lower + L".", 0), 0u);
  EXPECT_EQ(ReadFileBytes(f.os.rebootDeletes[0]), Bytes("old"));
}

TEST(GuardedCopy, ProcessListOncePerRun) {
  CopyFixture f(L"zin.dll");
  std::wstring lower = LowerAscii(f.target);
  WriteFileBytes(lower, Bytes("old"));
  f.os.busy.insert(Lower(lower));
  f.os.renameBlocked.insert(Lower(lower));
  // The list frees the file: the copy goes through.
  f.holders.onRun = [&] { f.os.busy.clear(); };
  EXPECT_EQ(f.Copy(kFamily32), 1);
  EXPECT_EQ(f.holders.runs, 1);
  EXPECT_EQ(f.holders.lastName, lower);
  EXPECT_EQ(f.holders.lastFamily, kFamily32);
  EXPECT_EQ(f.Target(), Bytes("new"));
  // A second refusal in the same run fails without another list.
  f.os.busy.insert(Lower(lower));
  EXPECT_EQ(f.Copy(), 0);
  EXPECT_EQ(f.holders.runs, 1);

  CopyFixture cancelled(L"zin.ime");
  std::wstring other = LowerAscii(cancelled.target);
  WriteFileBytes(other, Bytes("old"));
  cancelled.os.busy.insert(Lower(other));
  cancelled.os.renameBlocked.insert(Lower(other));
  cancelled.holders.answer = IDCANCEL;
  EXPECT_EQ(cancelled.Copy(), 0);
  EXPECT_EQ(cancelled.Target(), Bytes("old"));
}

TEST(GuardedCopy, ProgramsAndOtherFilesAskRetryOrCancel) {
  CopyFixture program(L"Config.EXE");
  std::wstring lower = LowerAscii(program.target);
  program.os.busy.insert(Lower(lower));
  program.os.answers = {IDRETRY, IDCANCEL};
  EXPECT_EQ(program.Copy(), 0);
  ASSERT_EQ(program.os.messages.size(), 2u);
  EXPECT_NE(program.os.messages[0].find(L"已经运行"), std::wstring::npos);
  EXPECT_EQ(program.holders.runs, 0);

  CopyFixture data(L"main.dmg");
  std::wstring busyName = Lower(LowerAscii(data.target));
  data.os.busy.insert(busyName);
  // Closed by the user while the question was up: the retry goes through.
  data.os.answers = {IDRETRY};
  data.os.onMessage = [&] { data.os.busy.clear(); };
  EXPECT_EQ(data.Copy(), 1);
  EXPECT_EQ(data.os.messages.size(), 1u);
  EXPECT_NE(data.os.messages[0].find(L"已经被其它程序打开"), std::wstring::npos);
  data.os.onMessage = nullptr;
  data.os.busy.insert(busyName);
  data.os.answers = {IDRETRY, IDCANCEL};
  EXPECT_EQ(data.Copy(), 0);
  EXPECT_EQ(data.os.messages.size(), 3u);

  // Nothing to copy, or a file onto itself, succeeds at once.
  CopyFixture same(L"x.ime");
  EXPECT_EQ(CopyFileGuarded(*same.state, same.os, L"", same.target, 0, FileAccessKind::kNone), 1);
  std::wstring self = LowerAscii(same.target);
  EXPECT_EQ(CopyFileGuarded(*same.state, same.os, self, same.target, 0, FileAccessKind::kNone), 1);
  EXPECT_TRUE(same.os.messages.empty());
}

std::vector<uint8_t> Sid(WELL_KNOWN_SID_TYPE type) {
  return WellKnownSid(type);
}

TEST(FileAccess, NewEntryGoesBetweenExplicitAndInherited) {
  std::vector<uint8_t> users = Sid(WinBuiltinUsersSid);
  std::vector<uint8_t> admins = Sid(WinBuiltinAdministratorsSid);
  std::vector<uint8_t> packages = Sid(WinBuiltinAnyPackageSid);
  std::vector<uint8_t> old(256);
  ACL* acl = reinterpret_cast<ACL*>(old.data());
  ASSERT_TRUE(InitializeAcl(acl, 256, ACL_REVISION));
  AddAccessAllowedAceEx(acl, ACL_REVISION, 0, FILE_GENERIC_READ, users.data());
  AddAccessAllowedAceEx(acl, ACL_REVISION, 0, FILE_GENERIC_READ, packages.data());  // replaced
  AddAccessAllowedAceEx(acl, ACL_REVISION, INHERITED_ACE, GENERIC_ALL, admins.data());

  std::vector<uint8_t> composed;
  ASSERT_TRUE(
      ComposeDacl(acl, reinterpret_cast<SID*>(packages.data()), kReadExecuteAccess, 0, &composed));
  std::vector<AceView> entries = AclEntries(composed);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_TRUE(SameSid(entries[0].sid.data(), users.data()));
  EXPECT_TRUE(SameSid(entries[1].sid.data(), packages.data()));
  EXPECT_EQ(entries[1].mask, kReadExecuteAccess);
  EXPECT_TRUE(SameSid(entries[2].sid.data(), admins.data()));
  EXPECT_EQ(entries[2].flags, INHERITED_ACE);

  EXPECT_EQ(CarriedDaclControl(SE_DACL_AUTO_INHERITED | SE_DACL_PRESENT),
            SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
  EXPECT_EQ(CarriedDaclControl(SE_DACL_PROTECTED | SE_DACL_PRESENT), SE_DACL_PROTECTED);
}

TEST(FileAccess, ProgramsGetReadExecuteDataGetsModifyNobodyFullControl) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring module = os.Folder(KnownFolder::kSystem) + L"zinime.ime";
  std::wstring data = os.Folder(KnownFolder::kTemp) + L"main.dmg";
  WriteFileBytes(module, Bytes("m"));
  WriteFileBytes(data, Bytes("d"));
  ASSERT_TRUE(ApplyFileAccess(*state, os, module, FileAccessKind::kProgram));
  ASSERT_TRUE(ApplyFileAccess(*state, os, data, FileAccessKind::kDataFile));

  std::vector<uint8_t> everyone = Sid(WinWorldSid);
  std::vector<uint8_t> packages = Sid(WinBuiltinAnyPackageSid);
  std::vector<AceView> program = AclEntries(os.dacls[Lower(module)]);
  ASSERT_EQ(program.size(), 2u);  // ours, then the inherited one kept
  EXPECT_TRUE(SameSid(program[0].sid.data(), packages.data()));
  EXPECT_EQ(program[0].mask, kReadExecuteAccess);
  EXPECT_EQ(program[1].flags & INHERITED_ACE, INHERITED_ACE);
  for (const AceView& entry : program) EXPECT_FALSE(SameSid(entry.sid.data(), everyone.data()));

  std::vector<AceView> dataEntries = AclEntries(os.dacls[Lower(data)]);
  ASSERT_EQ(dataEntries.size(), 3u);
  EXPECT_TRUE(SameSid(dataEntries[1].sid.data(), everyone.data()));
  for (const AceView& entry : dataEntries) {
    if (entry.flags & INHERITED_ACE) continue;
    EXPECT_EQ(entry.mask, kModifyAccess);
    EXPECT_EQ(entry.mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL), 0u);
  }

  // A file whose rights cannot be read fails, with a line in the log.
  struct Log : StepLog {
    std::vector<std::wstring> lines;
    void Append(int, const wchar_t* text) override { lines.push_back(text); }
  } log;
  state->log = &log;
  EXPECT_FALSE(ApplyFileAccess(*state, os, os.root() + L"missing.bin", FileAccessKind::kProgram));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find(L"GetSecurityInfo"), std::wstring::npos);
}

// The unpacked shipped layout, placed by the step table.
TEST(FilePlacement, PlacesEveryPartAndTheStub) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring unpack = state->unpackFolder;
  ASSERT_TRUE(CreateDirectoryPath(os, unpack + L"$dataFiles$"));
  ASSERT_TRUE(CreateDirectoryPath(os, unpack + L"x86"));
  ASSERT_TRUE(CreateDirectoryPath(os, unpack + L"tessel"));
  ASSERT_TRUE(CreateDirectoryPath(os, unpack + L"$fonts$"));
  WriteFileBytes(unpack + L"zinIME.ime", Bytes("ime64"));
  WriteFileBytes(unpack + L"x86\\zinIME.ime", Bytes("ime32"));
  WriteFileBytes(unpack + L"$dataFiles$\\config.dsc", Bytes("cfg"));
  WriteFileBytes(unpack + L"$dataFiles$\\main.dmg", Bytes("dmg"));
  WriteFileBytes(unpack + L"$fonts$\\Extra.TTF", Bytes("font"));
  WriteFileBytes(unpack + L"tessel\\skin.col", Bytes("skin"));
  WriteFileBytes(unpack + L"config.exe", Bytes("cfgexe"));
  std::wstring stub = std::wstring(state->workFolder) + L"installer.exe";
  WriteFileBytes(stub, Bytes("stub"));
  SetText(state->stubPath, kPathUnits, stub);

  ASSERT_TRUE(InstallFileSystem(*state, os));
  std::wstring install = LowerAscii(state->installFolder);
  std::wstring data = state->dataFolder;
  EXPECT_EQ(ReadFileBytes(os.Folder(KnownFolder::kSystem) + L"zinime.ime"), Bytes("ime64"));
  EXPECT_EQ(ReadFileBytes(os.Folder(KnownFolder::kSystemWow64) + L"zinime.ime"), Bytes("ime32"));
  EXPECT_EQ(ReadFileBytes(data + L"config.dsc"), Bytes("cfg"));
  EXPECT_EQ(ReadFileBytes(data + L"main.dmg"), Bytes("dmg"));
  EXPECT_EQ(ReadFileBytes(install + L"tessel\\skin.col"), Bytes("skin"));
  EXPECT_EQ(ReadFileBytes(install + L"config.exe"), Bytes("cfgexe"));
  EXPECT_EQ(ReadFileBytes(install + L"installer.exe"), Bytes("stub"));
  EXPECT_EQ(ReadFileBytes(os.Folder(KnownFolder::kFonts) + L"extra.ttf"), Bytes("font"));
  // Packaged folders never show up in the install folder.
  for (const wchar_t* name : {L"$dataFiles$", L"x86", L"$fonts$", L"zinIME.ime"}) {
    EXPECT_EQ(GetFileAttributesW((install + name).c_str()), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(GetFileAttributesW(stub.c_str()), INVALID_FILE_ATTRIBUTES);
  // Data files are writable for everyone, the data folder passes it on.
  std::vector<uint8_t> everyone = Sid(WinWorldSid);
  auto hasEveryone = [&](const std::wstring& path) {
    for (const AceView& e : AclEntries(os.dacls[Lower(path)])) {
      if (SameSid(e.sid.data(), everyone.data())) return true;
    }
    return false;
  };
  EXPECT_TRUE(hasEveryone(LowerAscii(data + L"main.dmg")));
  ASSERT_TRUE(os.securedFolders.count(Lower(data.substr(0, data.size() - 1))));
  EXPECT_FALSE(hasEveryone(os.Folder(KnownFolder::kSystem) + L"zinime.ime"));
  EXPECT_FALSE(hasEveryone(install + L"config.exe"));
}

TEST(FilePlacement, FailuresStopTheStepAndKeepSources) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  struct Log : StepLog {
    std::vector<std::wstring> lines;
    void Append(int, const wchar_t* text) override { lines.push_back(text); }
  } log;
  state->log = &log;
  std::wstring unpack = state->unpackFolder;
  ASSERT_TRUE(CreateDirectoryPath(os, unpack));
  // No 64-bit module in the package.
  EXPECT_FALSE(InstallFileSystem(*state, os));
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines.back(), L"     错误: 无法创建IME驱动文件");

  // A data file that cannot be placed (cancelled): nothing later runs and
  // the unplaced source stays.
  WriteFileBytes(unpack + L"zinIME.ime", Bytes("ime64"));
  ASSERT_TRUE(CreateDirectoryPath(os, unpack + L"$dataFiles$"));
  WriteFileBytes(unpack + L"$dataFiles$\\a.dmg", Bytes("a"));
  WriteFileBytes(unpack + L"$dataFiles$\\b.dmg", Bytes("b"));
  os.busy.insert(Lower(std::wstring(state->dataFolder) + L"b.dmg"));
  os.answers = {IDCANCEL};
  EXPECT_FALSE(InstallFileSystem(*state, os));
  EXPECT_NE(log.lines.back().find(L"$dataFiles$"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(unpack + L"$dataFiles$\\b.dmg"), Bytes("b"));
  EXPECT_EQ(GetFileAttributesW((std::wstring(state->installFolder)).c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST(FilePlacement, FontsAreNeverReplacedAndRegisteredOnce) {
  FakeInstallerOs os;
  std::wstring source = os.Folder(KnownFolder::kTemp) + L"fonts\\";
  std::wstring fonts = os.Folder(KnownFolder::kFonts);
  ASSERT_TRUE(CreateDirectoryPath(os, source));
  WriteFileBytes(source + L"New.ttf", Bytes("new"));
  WriteFileBytes(source + L"pair.ttc", Bytes("pair"));
  WriteFileBytes(source + L"old.ttf", Bytes("packaged"));
  WriteFileBytes(source + L"readme.txt", Bytes("no font"));
  WriteFileBytes(fonts + L"old.ttf", Bytes("installed"));
  InstallFonts(os, source, fonts);
  const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  EXPECT_EQ(os.Value(RegHive::kLocalMachine, key, L"new(TrueType)"), L"new.ttf");
  EXPECT_EQ(os.Value(RegHive::kLocalMachine, key, L"pair.ttc(TrueType-C)"), L"pair.ttc");
  EXPECT_EQ(os.Value(RegHive::kLocalMachine, key, L"old(TrueType)"), L"");
  EXPECT_EQ(ReadFileBytes(fonts + L"old.ttf"), Bytes("installed"));
  EXPECT_EQ(GetFileAttributesW((fonts + L"readme.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(os.CountCalls(L"AddFont"), 2u);
  EXPECT_EQ(os.calls.back(), L"FontChange");
}

}  // namespace
}  // namespace zn::test
