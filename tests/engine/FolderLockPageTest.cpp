// A folder's lock page is the page file its path leads to now: two folders
// whose names differ only in letter case, a folder moved away with a copy
// put in its place, and a link in the path pointed elsewhere each get the
// page of the folder they lead to, while another process writes there and
// holds its lock. The links and the case-twin folders are made on the Unix
// side under Wine (as a junction, a changed drive letter or a case-sensitive
// folder would be on Windows).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/DataLock.h"
#include "engine/FolderLockPage.h"
#include "engine/SearchCache.h"
#include "tests/common/ChildProcess.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/RoadTestContext.h"
#include "tests/engine/WriterClient.h"

namespace zn::test {
namespace {

// Words under "a" with distinct orders, and a few under other letters.
std::vector<uint8_t> MainTable() {
  const std::wstring chars = L"了子也的一是不在人有我他这中大来上国个到说们为和地";
  std::vector<DmgTestEntry> entries;
  for (size_t i = 0; i < chars.size(); ++i) {
    entries.push_back({i % 3 == 2 ? "ab" : "a", std::wstring(1, chars[i]), Attr(1, static_cast<uint32_t>(i % 14))});
  }
  entries.push_back({"b", L"不", Attr(1, 3)});
  entries.push_back({"c", L"从", Attr(1, 2)});
  return BuildDmgBytes(entries);
}

// Letters start and continue codes; words listed by their orders.
std::vector<uint8_t> Settings() {
  std::vector<uint8_t> config = DefaultConfig();
  ConfigBlockSet set{};
  LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set);
  set.ime->optionFlags = kImeOptMainCode;
  set.ime->sortWord = 0;
  SetImePageSize(set.ime, 5);
  set.dme->codeOptions = kDmeOptPrefixHints;
  set.dme->commitLengths = 0;
  set.dme->wildcardChar = 'z';
  for (int c = 'a'; c <= 'z'; ++c) set.dme->keyCharFlags[c] = kKeyCharStartsCode | kKeyCharContinuesCode;
  WriteShippedKeyFunctions(set.dme);
  return config;
}

bool FillFolder(const std::wstring& folder) {
  return WriteFileBytes(folder + L"config.dsc", Settings()) && WriteFileBytes(folder + L"main.dmg", MainTable()) &&
         WriteFileBytes(folder + L"temp.dmg", FakeTable(5));
}

// The Unix name of a path, or "" when not under Wine.
std::string UnixName(const std::wstring& path) {
  using Fn = char*(__cdecl*)(const wchar_t*);
  const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return "";
  char* name = fn(path.c_str());
  if (!name) return "";
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  while (!out.empty() && out.back() == '/') out.pop_back();
  return out;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool SameFile(const std::wstring& a, const std::wstring& b) {
  FileId ids[2]{};
  for (int i = 0; i < 2; ++i) {
    HANDLE h = CreateFileW((i ? b : a).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool known = FileIdentity(h, &ids[i]);
    CloseHandle(h);
    if (!known) return false;
  }
  return ids[0] == ids[1];
}

// Starts a Unix program (Wine gives no handle to wait on) and waits until
// it is done.
bool RunUnixUntil(const std::wstring& command, const std::function<bool()>& done) {
  std::wstring line = command;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

// An input context of a data folder, opened as a host opens one.
class FolderContext {
 public:
  explicit FolderContext(const std::wstring& folder) {
    PointAtDataFolder(os_, folder);
    context_ = CreateImeContext(&os_);
  }
  ~FolderContext() { DestroyImeContext(context_); }
  FolderContext(const FolderContext&) = delete;
  FolderContext& operator=(const FolderContext&) = delete;
  ImeContext* get() const { return context_; }
  FolderLockPage* page() const { return context_->files[kFileMain]->lockPage; }

 private:
  FakeOs os_;
  ImeContext* context_ = nullptr;
};

// What code lists: the result and every candidate's table offset and value.
std::wstring Listed(ImeContext* c, const wchar_t* code) {
  ResetInput(c);
  int n = 0;
  for (; code[n]; ++n) c->code[n] = code[n];
  c->code[n] = 0;
  c->codeLength = c->cursor = n;
  std::wstring out = L"result " + std::to_wstring(RebuildCandidates(c)) + L":";
  for (int i = 0; i < c->candidateCount; ++i) {
    const CandidateItem& item = c->candidates[i];
    const MappedFile* table = c->files[item.kind == kKindTemp ? kFileTemp : kFileMain];
    wchar_t text[130];
    CandidateText(item, text, 130);
    out += L" " + std::wstring(text) + L"@" + std::to_wstring(item.entry - table->view) + L"/" +
           std::to_wstring(item.value);
  }
  return out;
}

std::wstring Searched(ImeContext* c, const wchar_t* code) {
  KeepFirstKeyLists(false);
  std::wstring out = Listed(c, code);
  KeepFirstKeyLists(true);
  return out;
}

// The main.dmg position of the record listed last under "a".
uint32_t LastUnderA(ImeContext* c) {
  Searched(c, L"a");
  const DmgView view = GetDmgView(c->files[kFileMain]);
  DmgRecord rec;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    if (ReadDmgRecord(view, i, &rec) && view.base + rec.offset == c->candidates[c->candidateCount - 1].entry) {
      return i;
    }
  }
  return 0;
}

// The folder's own lock and its own kept lists: another process writes the
// folder under its lock, and holds it. context is a context of folder.
void ExpectOwnLockAndLists(ImeContext* context, const std::wstring& folder) {
  ASSERT_NE(context, nullptr);
  for (const wchar_t* code : {L"a", L"ab"}) {
    EXPECT_EQ(Listed(context, code), Searched(context, code));
    const uint64_t served = FirstKeyListsServed();
    EXPECT_EQ(Listed(context, code), Searched(context, code));
    EXPECT_EQ(FirstKeyListsServed(), served + 1) << "the list was kept";
  }
  const std::wstring before = Searched(context, L"a");
  WriterClient writer(folder);
  ASSERT_TRUE(writer.Started());
  ASSERT_EQ(writer.Send("order " + std::to_string(LastUnderA(context)) + " 60000"), "ok");
  const std::wstring after = Searched(context, L"a");
  EXPECT_NE(after, before) << "the other process's write moves a word";
  EXPECT_EQ(Listed(context, L"a"), after) << "kept list after the other process wrote";
  EXPECT_EQ(Listed(context, L"ab"), Searched(context, L"ab"));

  ASSERT_EQ(writer.Send("hold"), "held");
  {
    DataWriteLock byContext(context, 150);
    EXPECT_FALSE(byContext.Held()) << "the context's lock is the one the other process holds";
    DataWriteLock byFolder(folder.c_str(), 150);
    EXPECT_FALSE(byFolder.Held()) << "the folder's lock is the one the other process holds";
    DataWriteLock byTable(context->files[kFileMain], 150);
    EXPECT_FALSE(byTable.Held());
  }
  ASSERT_EQ(writer.Send("release"), "ok");
  DataWriteLock free(folder.c_str(), 2000);
  EXPECT_TRUE(free.Held());
}

class LockPages : public ::testing::Test {
 protected:
  void SetUp() override {
    unixBase_ = UnixName(base_.path());
    if (unixBase_.empty()) GTEST_SKIP() << "folders and links are made from the Unix side of Wine";
  }
  void TearDown() override { KeepFirstKeyLists(true); }

  // A folder made on the Unix side, so that a name differing only in case
  // from an existing one is a folder of its own.
  std::wstring UnixFolder(const std::string& name) {
    const std::wstring path = L"\\\\?\\unix" + Wide(unixBase_ + "/" + name);
    if (!CreateDirectoryW(path.c_str(), nullptr)) return L"";
    return base_.path() + Wide(name) + L"\\";
  }

  TempDir base_;
  std::string unixBase_;
};

TEST_F(LockPages, FoldersWhoseNamesDifferInCaseHaveAPageEach) {
  const std::wstring lower = UnixFolder("data");
  const std::wstring upper = UnixFolder("DATA");
  ASSERT_FALSE(lower.empty() || upper.empty());
  ASSERT_TRUE(FillFolder(lower) && FillFolder(upper));
  FolderContext first(lower);
  FolderContext second(upper);
  ASSERT_TRUE(first.get() && second.get());
  EXPECT_NE(first.page(), second.page());
  ExpectOwnLockAndLists(second.get(), upper);
  ExpectOwnLockAndLists(first.get(), lower);
}

TEST_F(LockPages, AFolderPutInPlaceOfOneMovedAwayHasItsOwnPage) {
  const std::wstring folder = base_.File(L"data\\");
  const std::wstring moved = base_.File(L"moved\\");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(FillFolder(folder));
  // A context stays open on the folder while it is moved away.
  FolderContext stays(folder);
  ASSERT_NE(stays.get(), nullptr);
  Listed(stays.get(), L"a");
  ASSERT_TRUE(MoveFileW(base_.File(L"data").c_str(), base_.File(L"moved").c_str())) << GetLastError();
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  for (const wchar_t* name : {L"config.dsc", L"main.dmg", L"temp.dmg"}) {
    ASSERT_TRUE(CopyFileW((moved + name).c_str(), (folder + name).c_str(), FALSE));
  }
  FolderContext fresh(folder);
  ASSERT_NE(fresh.get(), nullptr);
  EXPECT_NE(fresh.page(), stays.page());
  ExpectOwnLockAndLists(fresh.get(), folder);
  // The context that stayed keeps the page of the folder it reads.
  ExpectOwnLockAndLists(stays.get(), moved);
}

TEST_F(LockPages, ALinkPointedElsewhereLeadsToTheOtherFoldersPage) {
  const std::wstring one = base_.File(L"one\\");
  const std::wstring two = base_.File(L"two\\");
  const std::wstring link = base_.File(L"link\\");
  const std::string unixLink = unixBase_ + "/link";
  ASSERT_TRUE(CreateDirectoryW(one.c_str(), nullptr) && CreateDirectoryW(two.c_str(), nullptr));
  ASSERT_TRUE(FillFolder(one) && FillFolder(two));
  ASSERT_TRUE(RunUnixUntil(L"/bin/ln -s " + Wide(unixBase_ + "/one ") + Wide(unixLink),
                           [&] { return SameFile(link + L"main.dmg", one + L"main.dmg"); }));
  {
    FolderContext stays(link);
    ASSERT_NE(stays.get(), nullptr);
    Listed(stays.get(), L"a");
    ASSERT_TRUE(RunUnixUntil(L"/bin/ln -sfn " + Wide(unixBase_ + "/two ") + Wide(unixLink),
                             [&] { return SameFile(link + L"main.dmg", two + L"main.dmg"); }));
    FolderContext fresh(link);
    ASSERT_NE(fresh.get(), nullptr);
    EXPECT_NE(fresh.page(), stays.page());
    // The other process opens the link too: it leads to "two" now.
    ExpectOwnLockAndLists(fresh.get(), link);
    ExpectOwnLockAndLists(stays.get(), one);
  }
  // The link goes first: the folder's removal would follow it.
  RunUnixUntil(L"/bin/rm " + Wide(unixLink),
               [&] { return GetFileAttributesW(base_.File(L"link").c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// Every spelling of one folder still meets in one page.
TEST_F(LockPages, SpellingsOfOneFolderShareItsPage) {
  const std::wstring folder = base_.File(L"Data\\");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(FillFolder(folder));
  FolderLockPage* page = AcquireFolderLockPage(folder.c_str());
  ASSERT_NE(page, nullptr);
  for (const std::wstring& spelling :
       {base_.File(L"data/config.dsc"), base_.File(L"Data\\.\\main.dmg"), base_.File(L"DATA\\temp.dmg")}) {
    FolderLockPage* again = AcquireLockPage(spelling.c_str());
    EXPECT_EQ(again, page) << std::string(spelling.begin(), spelling.end());
    ReleaseLockPage(again);
  }
  ReleaseLockPage(page);
}

// The identity: the 128-bit ID where the volume gives one, the 64-bit index
// with the volume's serial otherwise.
TEST(FileIdentity, TakesTheLongIdWhereTheVolumeGivesOne) {
  FILE_ID_INFO wide{};
  wide.VolumeSerialNumber = 0x1122334455667788ull;
  const uint64_t low = 0x0000000100000007ull, high = 0x0000000000000009ull;
  std::memcpy(wide.FileId.Identifier, &low, 8);
  std::memcpy(wide.FileId.Identifier + 8, &high, 8);
  BY_HANDLE_FILE_INFORMATION narrow{};
  narrow.dwVolumeSerialNumber = 0x55667788u;
  narrow.nFileIndexHigh = 1;
  narrow.nFileIndexLow = 7;
  FileId id{};
  ASSERT_TRUE(ChooseFileId(&wide, &narrow, &id));
  EXPECT_EQ(id, (FileId{0x1122334455667788ull, low, high}));
  // Two files of one ReFS volume whose low halves agree stay apart.
  FileId other{};
  FILE_ID_INFO sibling = wide;
  std::memset(sibling.FileId.Identifier + 8, 0, 8);
  ASSERT_TRUE(ChooseFileId(&sibling, nullptr, &other));
  EXPECT_NE(id, other);
  // No ID given (before Windows 8, or a zero ID): the index.
  FILE_ID_INFO none{};
  ASSERT_TRUE(ChooseFileId(&none, &narrow, &id));
  EXPECT_EQ(id, (FileId{0x55667788u, low, 0}));
  ASSERT_TRUE(ChooseFileId(nullptr, &narrow, &id));
  EXPECT_EQ(id, (FileId{0x55667788u, low, 0}));
  EXPECT_FALSE(ChooseFileId(&none, nullptr, &id));

  // Real files: two handles of one file agree, two files differ.
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"a"), {1}) && WriteFileBytes(dir.File(L"b"), {2}));
  const auto identity = [](const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FileId id{};
    EXPECT_TRUE(FileIdentity(h, &id));
    CloseHandle(h);
    return id;
  };
  EXPECT_EQ(identity(dir.File(L"a")), identity(dir.File(L"a")));
  EXPECT_NE(identity(dir.File(L"a")), identity(dir.File(L"b")));
}

}  // namespace
}  // namespace zn::test
