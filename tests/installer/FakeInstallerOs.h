// The installer's seam for tests: real files in a scratch folder (with
// busy files, links and copy failures injected), and everything else in
// memory: registry, processes, layouts, TSF, prompts, links, clock.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/core/Win32InstallerOs.h"
#include "tests/common/TempDir.h"

namespace zn::test {

struct FakeProcess {
  uint32_t pid = 0;
  std::wstring exeName;
  std::vector<std::wstring> modules64;  // the first is the executable
  std::vector<std::wstring> modules32;
  bool critical = false;
};

class FakeInstallerOs : public Win32InstallerOs {
 public:
  FakeInstallerOs();

  // --- scripting ---
  std::wstring Folder(KnownFolder which) { return folders_[which]; }
  std::wstring root() const { return root_.path(); }
  std::wstring ownPath;
  uint32_t ownPid = 4242;
  uint32_t osMajor = 10;
  uint32_t osMinor = 0;
  std::vector<int> answers;         // ShowMessage answers, in order; IDCANCEL when none left
  std::function<void()> onMessage;  // runs while a message box is up
  std::set<std::wstring> busy;      // lower-case targets a copy cannot overwrite
  std::set<std::wstring> renameBlocked;
  // Lower-case folder paths listed as reparse points. Removing one removes
  // the link only: its content moves out of the tree, as a link's target
  // would stay where it is.
  std::set<std::wstring> links;
  std::map<std::wstring, std::wstring> versions;  // lower-case path -> FileVersion
  std::map<std::string, HRESULT> tsfResults;      // call name -> result (default S_OK)
  bool tsfAvailable = true;
  bool shellOpenWorks = true;
  std::set<std::wstring> lockedByOthers;
  std::set<std::wstring> readOnlyKeys;  // lower-case "HIVE\path" refused for writing
  std::vector<FakeProcess> processes;
  std::map<std::wstring, std::vector<uint8_t>> dacls;  // lower-case path -> ACL bytes
  // Folders PickFolder returns, in order; false once none is left.
  std::vector<std::wstring> pickedFolders;
  std::vector<std::wstring> pickStarts;  // the initial folder of each PickFolder
  bool openAsUserWorks = true;
  // Answers HttpGet; null: no answer at all.
  std::function<bool(const std::wstring& url, uint32_t maxBytes, HttpResponse* out)> http;
  std::vector<std::wstring> requests;  // HttpGet addresses
  std::vector<MacAddress> adapters = {MacAddress{0x00, 0x16, 0x3e, 0x01, 0x02, 0x03}};
  // Lower-case paths a standard user owns; everything else belongs to
  // Administrators. Links (above) are reported as reparse points.
  std::set<std::wstring> foreignOwners;
  // Runs with the path of a file just placed by CopyIntoFolder, while the
  // placement still holds it: what another user may do at that moment.
  std::function<void(const std::wstring& path)> onPlaced;

  // --- what happened ---
  std::vector<std::wstring> calls;     // TSF, IMM and shell calls in order
  std::vector<std::wstring> messages;  // texts of the message boxes
  std::vector<std::wstring> rebootDeletes;
  std::vector<ShellLinkSpec> shellLinks;
  // ShellOpen as verb|file|parameters, OpenAddressAsUser as user|url.
  std::vector<std::wstring> opened;
  std::vector<std::wstring> children;  // StartIdleChild command lines
  std::vector<uint32_t> terminated;
  std::vector<std::wstring> unlinked;  // where removed links' targets went
  uint64_t sleptMs = 0;
  int comDepth = 0;
  // Folders made by CreateSecuredFolder: lower-case path -> their DACL.
  std::map<std::wstring, std::vector<uint8_t>> securedFolders;

  // Registry helpers for tests.
  bool HasKey(RegHive hive, const std::wstring& key) { return RegKeyExists(hive, key.c_str()); }
  std::wstring Value(RegHive hive, const std::wstring& key, const std::wstring& name);
  // The raw bytes stored for a value (REG_SZ with its terminator).
  std::vector<uint8_t> RawValue(RegHive hive, const std::wstring& key, const std::wstring& name);
  uintptr_t AddLayout(uint32_t low, const std::wstring& imeFile, bool loaded);
  size_t CountCalls(const std::wstring& prefix) const;

  // --- overrides ---
  bool RemoveFile(const wchar_t* path) override;
  bool RemoveFolder(const wchar_t* path) override;
  bool CopyOneFile(const wchar_t* source, const wchar_t* target, bool overwrite,
                   uint32_t* error) override;
  bool RenameFile(const wchar_t* source, const wchar_t* target) override;
  bool DeleteAtReboot(const wchar_t* path) override;
  bool ListFolder(const wchar_t* folder, std::vector<FolderEntry>* out) override;
  bool ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl, uint16_t* control) override;
  bool WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) override;
  bool GetKnownFolder(KnownFolder which, std::wstring* out) override;
  std::wstring OwnPath() override { return ownPath; }
  uint32_t OwnProcessId() override { return ownPid; }

  LONG RegReadString(RegHive hive, const wchar_t* key, const wchar_t* name,
                     std::wstring* out) override;
  LONG RegReadDword(RegHive hive, const wchar_t* key, const wchar_t* name, uint32_t* out) override;
  LONG RegWriteString(RegHive hive, const wchar_t* key, const wchar_t* name,
                      const wchar_t* value) override;
  LONG RegWriteDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                     uint32_t value) override;
  LONG RegRemoveValue(RegHive hive, const wchar_t* key, const wchar_t* name) override;
  LONG RegRemoveTree(RegHive hive, const wchar_t* key) override;
  LONG RegMakeKey(RegHive hive, const wchar_t* key) override;
  bool RegKeyExists(RegHive hive, const wchar_t* key) override;
  bool RegCanWrite(RegHive hive, const wchar_t* key) override;
  LONG RegListSubkeys(RegHive hive, const wchar_t* key, std::vector<std::wstring>* out) override;
  LONG RegListValues(RegHive hive, const wchar_t* key, std::vector<RegValue>* out) override;
  LONG RegReadStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                      std::vector<std::wstring>* out) override;
  LONG RegWriteStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                       const std::vector<std::wstring>& values) override;

  bool ListProcesses(std::vector<ProcessEntry>* out) override;
  bool ListProcessModules(uint32_t pid, bool wow32, std::vector<std::wstring>* out) override;
  bool TerminateProcess(uint32_t pid, uint32_t exitCode) override;
  bool IsCriticalProcess(uint32_t pid) override;
  bool ShellOpen(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                 int showCommand) override;
  bool StartIdleChild(const wchar_t* commandLine) override;
  bool TakeInstanceLock(const wchar_t* name) override;

  uintptr_t InstallIme(const wchar_t* modulePath, const wchar_t* layoutText) override;
  bool ListKeyboardLayouts(std::vector<uintptr_t>* out) override;
  std::wstring ImeFileName(uintptr_t layout) override;
  bool UnloadLayout(uintptr_t layout) override;
  bool BroadcastSettingChange(const wchar_t* text) override;

  bool TsfAvailable() override { return tsfAvailable; }
  HRESULT TsfRegister(const GUID& clsid) override;
  HRESULT TsfUnregister(const GUID& clsid) override;
  HRESULT TsfAddLanguageProfile(const GUID& clsid, LANGID language, const GUID& profile,
                                const wchar_t* description, const wchar_t* iconFile,
                                int iconIndex) override;
  HRESULT TsfSubstituteKeyboardLayout(const GUID& clsid, LANGID language, const GUID& profile,
                                      uintptr_t layout) override;
  HRESULT TsfEnableLanguageProfile(const GUID& clsid, LANGID language, const GUID& profile,
                                   bool enable) override;
  HRESULT TsfEnableLanguageProfileByDefault(const GUID& clsid, LANGID language, const GUID& profile,
                                            bool enable) override;
  HRESULT TsfRemoveLanguageProfile(const GUID& clsid, LANGID language,
                                   const GUID& profile) override;
  HRESULT TsfRegisterCategory(const GUID& clsid, const GUID& category) override;
  HRESULT TsfUnregisterCategory(const GUID& clsid, const GUID& category) override;
  bool StartCom() override;
  void StopCom() override;

  bool CreateShellLink(const ShellLinkSpec& link) override;
  void NotifyFolderChanged(const wchar_t* folder) override;
  bool OpenAddressAsUser(const wchar_t* url) override;
  bool PickFolder(HWND owner, const wchar_t* initialFolder, const wchar_t* title,
                  std::wstring* out) override;
  bool AddFont(const wchar_t* path) override;
  void BroadcastFontChange() override;
  int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t style) override;
  void Sleep(uint32_t milliseconds) override { sleptMs += milliseconds; }
  uint64_t TickCount() override { return ++ticks_; }
  uint64_t SystemTime() override { return 0x01D0000000000000ull + ++ticks_; }
  void OsVersion(uint32_t* major, uint32_t* minor) override;
  bool QueryVersionString(const wchar_t* path, const wchar_t* name, std::wstring* out) override;
  bool HttpGet(const wchar_t* url, uint32_t maxBytes, HttpResponse* out) override;
  bool ListMacAddresses(std::vector<MacAddress>* out) override;

  PathPresence InspectPath(const wchar_t* path, PathFacts* out) override;
  bool CreateSecuredFolder(const wchar_t* path, const ACL* dacl) override;
  // Real handles, with the links, owners, busy files and rights above
  // applied by the path each handle was opened at.
  HANDLE OpenFolder(const wchar_t* path) override;
  PathPresence OpenLevel(HANDLE parent, const wchar_t* name, HANDLE* out,
                         PathFacts* facts) override;
  bool CreateLevel(HANDLE parent, const wchar_t* name, const ACL* dacl, HANDLE* out) override;
  // The rights a placed file is made with are recorded under its path.
  bool CopyIntoFolder(HANDLE folder, const wchar_t* name, const wchar_t* source, bool overwrite,
                      const ACL* rights, HANDLE* file, uint32_t* error) override;
  bool RenameInFolder(HANDLE folder, const wchar_t* name, const wchar_t* newName) override;
  // A busy name takes no new file.
  bool WriteNewFile(HANDLE folder, const wchar_t* name, const void* data,
                    size_t sizeBytes) override;
  void CloseEntry(HANDLE entry) override;

 private:
  void ScriptFacts(const std::wstring& path, PathFacts* out);
  bool StoredDacl(const std::wstring& path, std::vector<uint8_t>* acl, uint16_t* control);
  std::map<HANDLE, std::wstring> opened_;  // handle -> the path it was opened at
  bool Unlink(const wchar_t* path);
  bool Refused(const wchar_t* path);
  struct Key {
    std::wstring name;                        // as created
    std::map<std::wstring, RegValue> values;  // lower-case name -> value
  };
  static std::wstring KeyId(RegHive hive, const std::wstring& path);
  HRESULT Tsf(const char* name, const std::wstring& detail);
  Key* FindKey(RegHive hive, const wchar_t* path);
  bool Writable(RegHive hive, const std::wstring& path) const;

  TempDir root_;
  std::map<KnownFolder, std::wstring> folders_;
  std::map<std::wstring, Key> keys_;          // KeyId -> key
  std::map<uint32_t, std::wstring> layouts_;  // low bits -> IME file
  std::vector<uint32_t> loaded_;
  std::set<std::wstring> locks_;
  uint64_t ticks_ = 0;

 public:
  // --- errors; ErrorText is the system's own ---
  uint32_t lastError = 0;
  // Non-zero: InstallIme fails, leaving this as the thread's last error.
  uint32_t installImeError = 0;
  uint32_t LastError() override { return lastError; }
};

// Lower-cases A-Z of a path, as the fake's maps are keyed.
std::wstring Lower(const std::wstring& text);

}  // namespace zn::test
