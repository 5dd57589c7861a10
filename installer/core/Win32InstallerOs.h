// The real operating-system services of the installer.
#pragma once

#include "installer/core/InstallerOs.h"

// REG_MULTI_SZ data of strings (empty ones left out), and back.
std::vector<uint8_t> MultiStringData(const std::vector<std::wstring>& values);
std::vector<std::wstring> MultiStringValues(const std::vector<uint8_t>& data);

class Win32InstallerOs : public InstallerOs {
 public:
  Win32InstallerOs() = default;
  ~Win32InstallerOs() override;
  Win32InstallerOs(const Win32InstallerOs&) = delete;
  Win32InstallerOs& operator=(const Win32InstallerOs&) = delete;

  uint32_t FileAttributes(const wchar_t* path) override;
  bool SetAttributes(const wchar_t* path, uint32_t attributes) override;
  bool CreateFolder(const wchar_t* path) override;
  bool RemoveFolder(const wchar_t* path) override;
  bool RemoveFile(const wchar_t* path) override;
  bool CopyOneFile(const wchar_t* source, const wchar_t* target, bool overwrite,
                   uint32_t* error) override;
  bool RenameFile(const wchar_t* source, const wchar_t* target) override;
  bool DeleteAtReboot(const wchar_t* path) override;
  bool ListFolder(const wchar_t* folder, std::vector<FolderEntry>* out) override;
  bool ReadFile(const wchar_t* path, std::vector<uint8_t>* out, uint64_t maxBytes) override;
  bool WriteFile(const wchar_t* path, const void* data, size_t sizeBytes) override;
  bool FullPathName(const wchar_t* path, std::wstring* out) override;
  uint32_t DriveType(const wchar_t* path) override;
  bool ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl, uint16_t* control) override;
  bool WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) override;

  bool GetKnownFolder(KnownFolder which, std::wstring* out) override;
  std::wstring OwnPath() override;
  uint32_t OwnProcessId() override;

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

  bool TsfAvailable() override;
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
  bool AddFont(const wchar_t* path) override;
  void BroadcastFontChange() override;
  int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t style) override;
  bool PickFolder(HWND owner, const wchar_t* initialFolder, const wchar_t* title,
                  std::wstring* out) override;
  void Sleep(uint32_t milliseconds) override;
  uint64_t TickCount() override;
  uint64_t SystemTime() override;
  void OsVersion(uint32_t* major, uint32_t* minor) override;
  bool QueryVersionString(const wchar_t* path, const wchar_t* name, std::wstring* out) override;
  bool HttpGet(const wchar_t* url, uint32_t maxBytes, HttpResponse* out) override;
  bool ListMacAddresses(std::vector<MacAddress>* out) override;

  uint32_t LastError() override;
  std::wstring ErrorText(uint32_t code) override;

  PathPresence InspectPath(const wchar_t* path, PathFacts* out) override;
  bool CreateSecuredFolder(const wchar_t* path, const ACL* dacl) override;
  HANDLE OpenFolder(const wchar_t* path) override;
  PathPresence OpenLevel(HANDLE parent, const wchar_t* name, HANDLE* out,
                         PathFacts* facts) override;
  bool CreateLevel(HANDLE parent, const wchar_t* name, const ACL* dacl, HANDLE* out) override;
  bool CopyIntoFolder(HANDLE folder, const wchar_t* name, const wchar_t* source, bool overwrite,
                      const ACL* rights, HANDLE* file, uint32_t* error) override;
  bool RenameInFolder(HANDLE folder, const wchar_t* name, const wchar_t* newName) override;
  bool WriteNewFile(HANDLE folder, const wchar_t* name, const void* data,
                    size_t sizeBytes) override;
  bool ReadEntry(HANDLE entry, std::vector<uint8_t>* out, uint64_t maxBytes) override;
  uint32_t NameCount(HANDLE entry) override;
  void CloseEntry(HANDLE entry) override;

 private:
  HANDLE instanceLock_ = nullptr;
};
