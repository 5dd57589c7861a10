// The fake seam: files stay real below a scratch folder; the registry,
// processes, layouts, TSF and the user's answers are kept here.
#include "tests/installer/FakeInstallerOs.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>

#include "installer/core/FileAccess.h"

namespace zn::test {

std::wstring Lower(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  return out;
}

namespace {

std::wstring GuidString(const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Trimmed(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace

FakeInstallerOs::FakeInstallerOs() {
  static const std::pair<KnownFolder, const wchar_t*> kNames[] = {
      {KnownFolder::kTemp, L"Temp"},
      {KnownFolder::kWindows, L"Windows"},
      {KnownFolder::kSystem, L"Windows\\system32"},
      {KnownFolder::kSystemWow64, L"Windows\\syswow64"},
      {KnownFolder::kFonts, L"Windows\\Fonts"},
      {KnownFolder::kProgramFiles, L"Program Files"},
      {KnownFolder::kProgramFilesX86, L"Program Files (x86)"},
      {KnownFolder::kCommonAppData, L"ProgramData"},
      {KnownFolder::kCommonPrograms, L"ProgramData\\Start Menu\\Programs"},
      {KnownFolder::kCommonDesktop, L"Users\\Public\\Desktop"},
      {KnownFolder::kDesktop, L"Users\\me\\Desktop"},
      {KnownFolder::kDocuments, L"Users\\me\\Documents"},
      {KnownFolder::kProfile, L"Users\\me"},
      {KnownFolder::kInternetCache, L"Users\\me\\Cache"},
  };
  for (const auto& [which, name] : kNames) {
    std::wstring path = root_.path() + name + L"\\";
    // Create each level; the scratch root exists.
    for (size_t at = root_.path().size(); (at = path.find(L'\\', at)) != std::wstring::npos; ++at) {
      CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    folders_[which] = path;
  }
  ownPath = folders_[KnownFolder::kTemp] + L"setup.exe";
}

std::wstring FakeInstallerOs::KeyId(RegHive hive, const std::wstring& path) {
  return std::to_wstring(static_cast<int>(hive)) + L":" + Lower(Trimmed(path));
}

FakeInstallerOs::Key* FakeInstallerOs::FindKey(RegHive hive, const wchar_t* path) {
  auto it = keys_.find(KeyId(hive, path));
  return it == keys_.end() ? nullptr : &it->second;
}

bool FakeInstallerOs::Writable(RegHive hive, const std::wstring& path) const {
  std::wstring id = KeyId(hive, path);
  for (const std::wstring& refused : readOnlyKeys) {
    if (id.compare(0, refused.size(), refused) == 0) return false;
  }
  return true;
}

std::wstring FakeInstallerOs::Value(RegHive hive, const std::wstring& key,
                                    const std::wstring& name) {
  std::wstring text;
  RegReadString(hive, key.c_str(), name.c_str(), &text);
  return text;
}

std::vector<uint8_t> FakeInstallerOs::RawValue(RegHive hive, const std::wstring& key,
                                               const std::wstring& name) {
  Key* k = FindKey(hive, key.c_str());
  if (!k) return {};
  auto it = k->values.find(Lower(name));
  return it == k->values.end() ? std::vector<uint8_t>() : it->second.data;
}

uintptr_t FakeInstallerOs::AddLayout(uint32_t low, const std::wstring& imeFile, bool loaded) {
  layouts_[low] = imeFile;
  if (loaded) loaded_.push_back(low);
  wchar_t name[16];
  swprintf(name, 16, L"%08X", low);
  RegWriteString(
      RegHive::kLocalMachine,
      (std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\") + name).c_str(),
      L"Ime File", imeFile.c_str());
  return static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(low)));
}

size_t FakeInstallerOs::CountCalls(const std::wstring& prefix) const {
  return std::count_if(calls.begin(), calls.end(), [&](const std::wstring& c) {
    return c.compare(0, prefix.size(), prefix) == 0;
  });
}

bool FakeInstallerOs::RemoveFile(const wchar_t* path) {
  if (busy.count(Lower(path))) return false;
  // The link goes, as Windows deletes a link itself, not its target.
  if (links.count(Lower(Trimmed(path)))) return Unlink(path);
  return Win32InstallerOs::RemoveFile(path);
}

bool FakeInstallerOs::RemoveFolder(const wchar_t* path) {
  if (!links.count(Lower(Trimmed(path)))) return Win32InstallerOs::RemoveFolder(path);
  return Unlink(path);
}

bool FakeInstallerOs::Unlink(const wchar_t* path) {
  std::wstring target = root_.path() + L"link-target-" + std::to_wstring(unlinked.size());
  if (!MoveFileExW(path, target.c_str(), 0)) return false;
  unlinked.push_back(target + L"\\");
  // The name is free: whatever takes it next is no link.
  links.erase(Lower(Trimmed(path)));
  return true;
}

bool FakeInstallerOs::CopyOneFile(const wchar_t* source, const wchar_t* target, bool overwrite,
                                  uint32_t* error) {
  if (busy.count(Lower(target))) {
    if (error) *error = ERROR_SHARING_VIOLATION;
    return false;
  }
  return Win32InstallerOs::CopyOneFile(source, target, overwrite, error);
}

bool FakeInstallerOs::RenameFile(const wchar_t* source, const wchar_t* target) {
  std::wstring from = Lower(source);
  if (renameBlocked.count(from)) return false;
  if (!Win32InstallerOs::RenameFile(source, target)) return false;
  // A busy module keeps its lock under its new name; the old name is free.
  if (busy.erase(from)) busy.insert(Lower(target));
  return true;
}

bool FakeInstallerOs::DeleteAtReboot(const wchar_t* path) {
  rebootDeletes.push_back(path);
  return true;
}

bool FakeInstallerOs::ListFolder(const wchar_t* folder, std::vector<FolderEntry>* out) {
  if (!Win32InstallerOs::ListFolder(folder, out)) return false;
  std::wstring base = Lower(Trimmed(folder)) + L"\\";
  for (FolderEntry& entry : *out) {
    if (links.count(base + Lower(entry.name))) entry.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return true;
}

bool FakeInstallerOs::ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl,
                                   uint16_t* control) {
  // As the real seam: the rights of a link or of a file with a second name
  // are never read or written.
  if (Refused(path)) return false;
  bool stored = dacls.count(Lower(path)) != 0;
  StoredDacl(path, acl, control);
  return stored || Win32InstallerOs::FileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool FakeInstallerOs::StoredDacl(const std::wstring& path, std::vector<uint8_t>* acl,
                                 uint16_t* control) {
  auto it = dacls.find(Lower(path));
  if (it != dacls.end()) {
    *acl = it->second;
    *control = SE_DACL_AUTO_INHERITED;
    return true;
  }
  // Files start with one inherited entry: administrators, full control.
  std::vector<uint8_t> admins(SECURITY_MAX_SID_SIZE);
  DWORD bytes = SECURITY_MAX_SID_SIZE;
  CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins.data(), &bytes);
  acl->assign(64 + bytes, 0);
  InitializeAcl(reinterpret_cast<ACL*>(acl->data()), static_cast<DWORD>(acl->size()), ACL_REVISION);
  AddAccessAllowedAceEx(reinterpret_cast<ACL*>(acl->data()), ACL_REVISION, INHERITED_ACE,
                        GENERIC_ALL, admins.data());
  *control = SE_DACL_AUTO_INHERITED;
  return true;
}

bool FakeInstallerOs::WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t) {
  if (Refused(path)) return false;
  ACL_SIZE_INFORMATION info{};
  GetAclInformation(const_cast<ACL*>(acl), &info, sizeof(info), AclSizeInformation);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(acl);
  dacls[Lower(path)] = std::vector<uint8_t>(bytes, bytes + info.AclBytesInUse);
  return true;
}

bool FakeInstallerOs::GetKnownFolder(KnownFolder which, std::wstring* out) {
  auto it = folders_.find(which);
  if (it == folders_.end() || it->second.empty()) return false;
  *out = it->second;
  return true;
}

LONG FakeInstallerOs::RegReadString(RegHive hive, const wchar_t* key, const wchar_t* name,
                                    std::wstring* out) {
  out->clear();
  Key* k = FindKey(hive, key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  if (it->second.type != REG_SZ) return ERROR_INVALID_DATATYPE;
  *out = RegDataText(it->second.data);
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegReadDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                                   uint32_t* out) {
  *out = 0;
  Key* k = FindKey(hive, key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  if (it->second.type != REG_DWORD || it->second.data.size() != 4) return ERROR_INVALID_DATATYPE;
  std::memcpy(out, it->second.data.data(), 4);
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegWriteString(RegHive hive, const wchar_t* key, const wchar_t* name,
                                     const wchar_t* value) {
  LONG rc = RegMakeKey(hive, key);
  if (rc != ERROR_SUCCESS) return rc;
  RegValue v{name, REG_SZ, {}};
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(value);
  v.data.assign(bytes, bytes + (wcslen(value) + 1) * sizeof(wchar_t));
  FindKey(hive, key)->values[Lower(name)] = v;
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegWriteDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                                    uint32_t value) {
  LONG rc = RegMakeKey(hive, key);
  if (rc != ERROR_SUCCESS) return rc;
  RegValue v{name, REG_DWORD, std::vector<uint8_t>(4)};
  std::memcpy(v.data.data(), &value, 4);
  FindKey(hive, key)->values[Lower(name)] = v;
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegRemoveValue(RegHive hive, const wchar_t* key, const wchar_t* name) {
  Key* k = FindKey(hive, key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  if (!Writable(hive, key)) return ERROR_ACCESS_DENIED;
  return k->values.erase(Lower(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG FakeInstallerOs::RegRemoveTree(RegHive hive, const wchar_t* key) {
  if (!key[0]) return ERROR_INVALID_PARAMETER;
  std::wstring id = KeyId(hive, key);
  if (!Writable(hive, key)) return ERROR_ACCESS_DENIED;
  size_t removed = 0;
  for (auto it = keys_.begin(); it != keys_.end();) {
    bool below = it->first == id || it->first.compare(0, id.size() + 1, id + L"\\") == 0;
    it = below ? (++removed, keys_.erase(it)) : std::next(it);
  }
  return removed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG FakeInstallerOs::RegMakeKey(RegHive hive, const wchar_t* key) {
  if (!Writable(hive, key)) return ERROR_ACCESS_DENIED;
  std::wstring path = Trimmed(key);
  // Every level exists once the key does, as in the registry.
  for (size_t at = 0; at != std::wstring::npos;) {
    at = path.find(L'\\', at + 1);
    std::wstring level = path.substr(0, at);
    auto& k = keys_[KeyId(hive, level)];
    if (k.name.empty())
      k.name = level.substr(level.rfind(L'\\') == std::wstring::npos ? 0 : level.rfind(L'\\') + 1);
  }
  return ERROR_SUCCESS;
}

bool FakeInstallerOs::RegKeyExists(RegHive hive, const wchar_t* key) {
  return FindKey(hive, key) != nullptr;
}

bool FakeInstallerOs::RegCanWrite(RegHive hive, const wchar_t* key) {
  return FindKey(hive, key) != nullptr && Writable(hive, key);
}

LONG FakeInstallerOs::RegListSubkeys(RegHive hive, const wchar_t* key,
                                     std::vector<std::wstring>* out) {
  out->clear();
  std::wstring id = KeyId(hive, key);
  std::wstring prefix = Trimmed(key).empty() ? id : id + L"\\";
  if (!Trimmed(key).empty() && !FindKey(hive, key)) return ERROR_FILE_NOT_FOUND;
  for (const auto& [childId, child] : keys_) {
    if (childId.size() > prefix.size() && childId.compare(0, prefix.size(), prefix) == 0 &&
        childId.find(L'\\', prefix.size()) == std::wstring::npos) {
      out->push_back(child.name);
    }
  }
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegListValues(RegHive hive, const wchar_t* key, std::vector<RegValue>* out) {
  out->clear();
  Key* k = FindKey(hive, key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  for (const auto& [name, value] : k->values) out->push_back(value);
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegReadStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                                     std::vector<std::wstring>* out) {
  out->clear();
  Key* k = FindKey(hive, key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  if (it->second.type != REG_MULTI_SZ) return ERROR_INVALID_DATATYPE;
  *out = MultiStringValues(it->second.data);
  return ERROR_SUCCESS;
}

LONG FakeInstallerOs::RegWriteStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                                      const std::vector<std::wstring>& values) {
  LONG rc = RegMakeKey(hive, key);
  if (rc != ERROR_SUCCESS) return rc;
  FindKey(hive, key)->values[Lower(name)] = RegValue{name, REG_MULTI_SZ, MultiStringData(values)};
  return ERROR_SUCCESS;
}

bool FakeInstallerOs::ListProcesses(std::vector<ProcessEntry>* out) {
  out->clear();
  for (const FakeProcess& p : processes) out->push_back(ProcessEntry{p.pid, p.exeName});
  return true;
}

bool FakeInstallerOs::ListProcessModules(uint32_t pid, bool wow32, std::vector<std::wstring>* out) {
  for (const FakeProcess& p : processes) {
    if (p.pid != pid) continue;
    *out = p.modules64;
    if (wow32) out->insert(out->end(), p.modules32.begin(), p.modules32.end());
    return true;
  }
  return false;
}

bool FakeInstallerOs::TerminateProcess(uint32_t pid, uint32_t exitCode) {
  terminated.push_back(pid);
  calls.push_back(L"Terminate " + std::to_wstring(pid) + L" " + std::to_wstring(exitCode));
  auto it = std::find_if(processes.begin(), processes.end(),
                         [&](const FakeProcess& p) { return p.pid == pid; });
  if (it == processes.end()) return false;
  processes.erase(it);
  return true;
}

bool FakeInstallerOs::IsCriticalProcess(uint32_t pid) {
  for (const FakeProcess& p : processes) {
    if (p.pid == pid) return p.critical;
  }
  return false;
}

bool FakeInstallerOs::ShellOpen(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                int) {
  opened.push_back(std::wstring(verb ? verb : L"") + L"|" + file + L"|" +
                   (parameters ? parameters : L""));
  return shellOpenWorks;
}

bool FakeInstallerOs::StartIdleChild(const wchar_t* commandLine) {
  children.push_back(commandLine);
  return true;
}

bool FakeInstallerOs::TakeInstanceLock(const wchar_t* name) {
  if (lockedByOthers.count(name)) return false;
  locks_.insert(name);
  return true;
}

uintptr_t FakeInstallerOs::InstallIme(const wchar_t* modulePath, const wchar_t* layoutText) {
  calls.push_back(std::wstring(L"InstallIme ") + modulePath + L" " + layoutText);
  if (installImeError) {
    lastError = installImeError;
    return 0;
  }
  // Like Wine, a new slot every time, never one used before.
  uint32_t low = 0xE0200804u + (static_cast<uint32_t>(layouts_.size()) << 16);
  return AddLayout(low, modulePath, true);
}

bool FakeInstallerOs::ListKeyboardLayouts(std::vector<uintptr_t>* out) {
  out->clear();
  for (uint32_t low : loaded_) {
    out->push_back(static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(low))));
  }
  return true;
}

std::wstring FakeInstallerOs::ImeFileName(uintptr_t layout) {
  auto it = layouts_.find(static_cast<uint32_t>(layout));
  return it == layouts_.end() ? std::wstring() : it->second;
}

bool FakeInstallerOs::UnloadLayout(uintptr_t layout) {
  calls.push_back(L"Unload " + std::to_wstring(static_cast<uint32_t>(layout)));
  loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), static_cast<uint32_t>(layout)),
                loaded_.end());
  return true;
}

bool FakeInstallerOs::BroadcastSettingChange(const wchar_t* text) {
  calls.push_back(std::wstring(L"Broadcast ") + text);
  return true;
}

HRESULT FakeInstallerOs::Tsf(const char* name, const std::wstring& detail) {
  calls.push_back(std::wstring(name, name + strlen(name)) + (detail.empty() ? L"" : L" " + detail));
  auto it = tsfResults.find(name);
  return it == tsfResults.end() ? S_OK : it->second;
}

HRESULT FakeInstallerOs::TsfRegister(const GUID& clsid) {
  return Tsf("Register", GuidString(clsid));
}

HRESULT FakeInstallerOs::TsfUnregister(const GUID& clsid) {
  return Tsf("Unregister", GuidString(clsid));
}

HRESULT FakeInstallerOs::TsfAddLanguageProfile(const GUID& clsid, LANGID language,
                                               const GUID& profile, const wchar_t* description,
                                               const wchar_t* iconFile, int iconIndex) {
  return Tsf("AddLanguageProfile", GuidString(clsid) + L" " + std::to_wstring(language) + L" " +
                                       GuidString(profile) + L" " + description + L" " + iconFile +
                                       L" " + std::to_wstring(iconIndex));
}

HRESULT FakeInstallerOs::TsfSubstituteKeyboardLayout(const GUID&, LANGID, const GUID&,
                                                     uintptr_t layout) {
  return Tsf("Substitute", std::to_wstring(static_cast<uint32_t>(layout)));
}

HRESULT FakeInstallerOs::TsfEnableLanguageProfile(const GUID&, LANGID, const GUID&, bool enable) {
  return Tsf("Enable", enable ? L"1" : L"0");
}

HRESULT FakeInstallerOs::TsfEnableLanguageProfileByDefault(const GUID&, LANGID, const GUID&,
                                                           bool enable) {
  return Tsf("EnableByDefault", enable ? L"1" : L"0");
}

HRESULT FakeInstallerOs::TsfRemoveLanguageProfile(const GUID& clsid, LANGID language, const GUID&) {
  return Tsf("RemoveLanguageProfile", GuidString(clsid) + L" " + std::to_wstring(language));
}

HRESULT FakeInstallerOs::TsfRegisterCategory(const GUID&, const GUID& category) {
  return Tsf("RegisterCategory", GuidString(category));
}

HRESULT FakeInstallerOs::TsfUnregisterCategory(const GUID&, const GUID& category) {
  return Tsf("UnregisterCategory", GuidString(category));
}

bool FakeInstallerOs::StartCom() {
  ++comDepth;
  return true;
}

void FakeInstallerOs::StopCom() {
  --comDepth;
}

bool FakeInstallerOs::CreateShellLink(const ShellLinkSpec& link) {
  shellLinks.push_back(link);
  return true;
}

void FakeInstallerOs::NotifyFolderChanged(const wchar_t* folder) {
  calls.push_back(std::wstring(L"Notify ") + folder);
}

bool FakeInstallerOs::AddFont(const wchar_t* path) {
  calls.push_back(std::wstring(L"AddFont ") + path);
  return true;
}

void FakeInstallerOs::BroadcastFontChange() {
  calls.push_back(L"FontChange");
}

int FakeInstallerOs::ShowMessage(HWND, const wchar_t* text, const wchar_t* caption, uint32_t) {
  messages.push_back(std::wstring(caption) + L"|" + text);
  if (onMessage) onMessage();
  if (answers.empty()) return IDCANCEL;
  int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

void FakeInstallerOs::OsVersion(uint32_t* major, uint32_t* minor) {
  *major = osMajor;
  *minor = osMinor;
}

bool FakeInstallerOs::QueryVersionString(const wchar_t* path, const wchar_t* name,
                                         std::wstring* out) {
  auto it = versions.find(Lower(path));
  if (it != versions.end() && std::wstring(name) == L"FileVersion") {
    *out = it->second;
    return true;
  }
  return Win32InstallerOs::QueryVersionString(path, name, out);
}

bool FakeInstallerOs::HttpGet(const wchar_t* url, uint32_t maxBytes, HttpResponse* out) {
  *out = HttpResponse{};
  requests.push_back(url);
  return http ? http(url, maxBytes, out) : false;
}

bool FakeInstallerOs::ListMacAddresses(std::vector<MacAddress>* out) {
  *out = adapters;
  return true;
}

bool FakeInstallerOs::OpenAddressAsUser(const wchar_t* url) {
  opened.push_back(std::wstring(L"user|") + url);
  return openAsUserWorks;
}

bool FakeInstallerOs::PickFolder(HWND, const wchar_t* initialFolder, const wchar_t*,
                                 std::wstring* out) {
  pickStarts.push_back(initialFolder ? initialFolder : L"");
  out->clear();
  if (pickedFolders.empty()) return false;
  *out = pickedFolders.front();
  pickedFolders.erase(pickedFolders.begin());
  return true;
}

PathPresence FakeInstallerOs::InspectPath(const wchar_t* path, PathFacts* out) {
  // Real attributes and names; links and owners as scripted.
  PathPresence presence = Win32InstallerOs::InspectPath(path, out);
  if (presence != PathPresence::kPresent) return presence;
  ScriptFacts(path, out);
  return PathPresence::kPresent;
}

void FakeInstallerOs::ScriptFacts(const std::wstring& path, PathFacts* out) {
  std::wstring key = Lower(Trimmed(path));
  if (links.count(key)) out->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  // A standard user's account, or Administrators.
  if (foreignOwners.count(key)) {
    AllocateAndInitializeSid(&nt, 5, SECURITY_NT_NON_UNIQUE, 11, 22, 33, 1001, 0, 0, 0, &sid);
  } else {
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                             0, 0, 0, &sid);
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(sid);
  out->owner.assign(bytes, bytes + GetLengthSid(sid));
  out->ownerIsCaller = false;
  FreeSid(sid);
}

bool FakeInstallerOs::Refused(const wchar_t* path) {
  PathFacts facts;
  if (InspectPath(path, &facts) != PathPresence::kPresent) return false;
  return (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
         (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY) && facts.linkCount > 1);
}

bool FakeInstallerOs::CreateSecuredFolder(const wchar_t* path, const ACL* dacl) {
  if (!CreateDirectoryW(path, nullptr)) return false;
  ACL_SIZE_INFORMATION info{};
  GetAclInformation(const_cast<ACL*>(dacl), &info, sizeof(info), AclSizeInformation);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
  securedFolders[Lower(Trimmed(path))] = std::vector<uint8_t>(bytes, bytes + info.AclBytesInUse);
  return true;
}

HANDLE FakeInstallerOs::OpenFolder(const wchar_t* path) {
  HANDLE folder = Win32InstallerOs::OpenFolder(path);
  if (folder) opened_[folder] = Trimmed(path);
  return folder;
}

PathPresence FakeInstallerOs::OpenLevel(HANDLE parent, const wchar_t* name, HANDLE* out,
                                        PathFacts* facts) {
  PathPresence presence = Win32InstallerOs::OpenLevel(parent, name, out, facts);
  if (presence != PathPresence::kPresent) return presence;
  std::wstring path = opened_[parent] + L"\\" + name;
  opened_[*out] = path;
  ScriptFacts(path, facts);
  return presence;
}

bool FakeInstallerOs::CreateLevel(HANDLE parent, const wchar_t* name, const ACL* dacl,
                                  HANDLE* out) {
  if (!Win32InstallerOs::CreateLevel(parent, name, dacl, out)) return false;
  std::wstring path = opened_[parent] + L"\\" + name;
  opened_[*out] = path;
  ACL_SIZE_INFORMATION info{};
  GetAclInformation(const_cast<ACL*>(dacl), &info, sizeof(info), AclSizeInformation);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
  securedFolders[Lower(path)] = std::vector<uint8_t>(bytes, bytes + info.AclBytesInUse);
  return true;
}

bool FakeInstallerOs::CopyIntoFolder(HANDLE folder, const wchar_t* name, const wchar_t* source,
                                     bool overwrite, const ACL* rights, HANDLE* file,
                                     uint32_t* error) {
  *file = nullptr;
  std::wstring path = opened_[folder] + L"\\" + name;
  if (busy.count(Lower(path))) {
    if (error) *error = ERROR_SHARING_VIOLATION;
    return false;
  }
  // A scripted link goes itself, as the real seam removes a link it finds.
  if (overwrite && links.count(Lower(path)) && !Unlink(path.c_str())) {
    if (error) *error = ERROR_ACCESS_DENIED;
    return false;
  }
  // Only a plain file keeps its rights; any other name goes and a new file
  // starts from what the folder passes on.
  PathFacts facts;
  if (InspectPath(path.c_str(), &facts) != PathPresence::kPresent ||
      (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) || facts.linkCount != 1) {
    dacls.erase(Lower(path));
  }
  if (!Win32InstallerOs::CopyIntoFolder(folder, name, source, overwrite, rights, file, error)) {
    return false;
  }
  opened_[*file] = path;
  if (rights) {
    std::vector<uint8_t> old;
    uint16_t control = 0;
    StoredDacl(path, &old, &control);
    AddAccessEntries(reinterpret_cast<const ACL*>(old.data()), rights, &dacls[Lower(path)]);
  }
  if (onPlaced) onPlaced(path);
  return true;
}

bool FakeInstallerOs::RenameInFolder(HANDLE folder, const wchar_t* name, const wchar_t* newName) {
  std::wstring from = Lower(opened_[folder] + L"\\" + name);
  if (renameBlocked.count(from)) return false;
  if (!Win32InstallerOs::RenameInFolder(folder, name, newName)) return false;
  // A busy module keeps its lock under its new name; the old name is free.
  if (busy.erase(from)) busy.insert(Lower(opened_[folder] + L"\\" + newName));
  return true;
}

bool FakeInstallerOs::WriteNewFile(HANDLE folder, const wchar_t* name, const void* data,
                                   size_t sizeBytes) {
  if (busy.count(Lower(opened_[folder] + L"\\" + name))) return false;
  return Win32InstallerOs::WriteNewFile(folder, name, data, sizeBytes);
}

void FakeInstallerOs::CloseEntry(HANDLE entry) {
  opened_.erase(entry);
  Win32InstallerOs::CloseEntry(entry);
}

}  // namespace zn::test
