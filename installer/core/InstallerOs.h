// The installer's one seam to the operating system: files, folders, the
// registry of every hive, processes, IMM and TSF registration, shell links,
// fonts, prompts, clock, versions, HTTP and network adapters. One Win32
// implementation; tests use a fake built on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Folders the installer places files in or must never remove. Every path
// comes back ending in a backslash.
enum class KnownFolder {
  kTemp,
  kWindows,
  kSystem,       // the 64-bit system folder
  kSystemWow64,  // the 32-bit system folder; missing on 32-bit Windows
  kFonts,
  kProgramFiles,
  kProgramFilesX86,
  kCommonAppData,   // ProgramData
  kCommonPrograms,  // the all-users Start-menu programs folder
  kCommonDesktop,
  kDesktop,
  kDocuments,
  kProfile,  // the user's profile folder
  kInternetCache,
};

enum class RegHive { kLocalMachine, kCurrentUser, kClassesRoot, kUsers };

struct FolderEntry {
  std::wstring name;
  uint32_t attributes = 0;  // FILE_ATTRIBUTE_*; reparse points are reported, never followed
  uint64_t sizeBytes = 0;
};

struct RegValue {
  std::wstring name;
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;
};
// The text of string data: a stored value may or may not carry its
// terminator, so the text ends at the first NUL or at the data's end.
std::wstring RegDataText(const std::vector<uint8_t>& data);

struct ProcessEntry {
  uint32_t pid = 0;
  std::wstring exeName;  // file name of the program, as the snapshot gives it
};

struct ShellLinkSpec {
  std::wstring linkPath;
  std::wstring target;
  std::wstring arguments;
  std::wstring description;
  std::wstring workingFolder;
  std::wstring iconPath;  // empty: no icon location
  int iconIndex = 0;
  int showCommand = SW_SHOW;
};

struct HttpResponse {
  uint32_t status = 0;        // HTTP status, 0 when no answer came
  std::vector<uint8_t> body;  // at most the bytes asked for
  bool truncated = false;     // the body was longer than the limit
};

// A network adapter's hardware address, as many bytes as the adapter has.
using MacAddress = std::vector<uint8_t>;

enum class PathPresence { kMissing, kPresent, kUnreadable };

// What a path names itself, a link at its end not followed.
struct PathFacts {
  uint32_t attributes = 0;     // FILE_ATTRIBUTE_*; a link has FILE_ATTRIBUTE_REPARSE_POINT
  uint32_t linkCount = 1;      // hard links of a file
  std::vector<uint8_t> owner;  // the owner's SID
  bool ownerIsCaller = false;  // the owner is the account running this program
};

class InstallerOs {
 public:
  virtual ~InstallerOs() = default;

  // --- files and folders ---
  // INVALID_FILE_ATTRIBUTES when the path does not exist.
  virtual uint32_t FileAttributes(const wchar_t* path) = 0;
  virtual bool SetAttributes(const wchar_t* path, uint32_t attributes) = 0;
  // One level; true when created.
  virtual bool CreateFolder(const wchar_t* path) = 0;
  // An empty folder, or a folder link itself (its target is untouched).
  virtual bool RemoveFolder(const wchar_t* path) = 0;
  // A file (read-only or not) or a link itself, never what a link points to.
  virtual bool RemoveFile(const wchar_t* path) = 0;
  // error receives GetLastError() of a failed copy (may be null).
  virtual bool CopyOneFile(const wchar_t* source, const wchar_t* target, bool overwrite,
                           uint32_t* error) = 0;
  virtual bool RenameFile(const wchar_t* source, const wchar_t* target) = 0;
  // Deletes the file (or empty folder) when Windows next starts.
  virtual bool DeleteAtReboot(const wchar_t* path) = 0;
  // The entries of a folder without "." and "..".
  virtual bool ListFolder(const wchar_t* folder, std::vector<FolderEntry>* out) = 0;
  // The whole file; false when missing or larger than maxBytes.
  virtual bool ReadFile(const wchar_t* path, std::vector<uint8_t>* out, uint64_t maxBytes) = 0;
  // Creates or replaces the file with exactly these bytes, flushed.
  virtual bool WriteFile(const wchar_t* path, const void* data, size_t sizeBytes) = 0;
  virtual bool FullPathName(const wchar_t* path, std::wstring* out) = 0;
  // GetDriveTypeW of the path's root.
  virtual uint32_t DriveType(const wchar_t* path) = 0;
  // The file's DACL as raw ACL bytes (empty for a null DACL) and its
  // security-descriptor control bits. Both refuse a link and a file with
  // more than one name, and write no rights to anything below a folder.
  virtual bool ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl, uint16_t* control) = 0;
  virtual bool WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) = 0;

  // --- places and identity ---
  virtual bool GetKnownFolder(KnownFolder which, std::wstring* out) = 0;
  virtual std::wstring OwnPath() = 0;
  virtual uint32_t OwnProcessId() = 0;

  // --- registry; results are Win32 error codes ---
  virtual LONG RegReadString(RegHive hive, const wchar_t* key, const wchar_t* name,
                             std::wstring* out) = 0;
  virtual LONG RegReadDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                            uint32_t* out) = 0;
  // Creates the key as needed; REG_SZ data carry their terminator.
  virtual LONG RegWriteString(RegHive hive, const wchar_t* key, const wchar_t* name,
                              const wchar_t* value) = 0;
  virtual LONG RegWriteDword(RegHive hive, const wchar_t* key, const wchar_t* name,
                             uint32_t value) = 0;
  virtual LONG RegRemoveValue(RegHive hive, const wchar_t* key, const wchar_t* name) = 0;
  // The key with everything below it; ERROR_FILE_NOT_FOUND when absent.
  virtual LONG RegRemoveTree(RegHive hive, const wchar_t* key) = 0;
  virtual LONG RegMakeKey(RegHive hive, const wchar_t* key) = 0;
  virtual bool RegKeyExists(RegHive hive, const wchar_t* key) = 0;
  // Opens an existing key for writing without changing it.
  virtual bool RegCanWrite(RegHive hive, const wchar_t* key) = 0;
  virtual LONG RegListSubkeys(RegHive hive, const wchar_t* key, std::vector<std::wstring>* out) = 0;
  virtual LONG RegListValues(RegHive hive, const wchar_t* key, std::vector<RegValue>* out) = 0;
  // REG_MULTI_SZ: the strings in order (an empty string cannot be stored).
  virtual LONG RegReadStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                              std::vector<std::wstring>* out) = 0;
  virtual LONG RegWriteStrings(RegHive hive, const wchar_t* key, const wchar_t* name,
                               const std::vector<std::wstring>& values) = 0;

  // --- processes ---
  virtual bool ListProcesses(std::vector<ProcessEntry>* out) = 0;
  // Full paths of the modules a process has loaded: its 64-bit modules, or
  // with wow32 its 32-bit ones. False when the process cannot be read.
  virtual bool ListProcessModules(uint32_t pid, bool wow32, std::vector<std::wstring>* out) = 0;
  // Ends a process and waits, at most 5 s, until it has gone.
  virtual bool TerminateProcess(uint32_t pid, uint32_t exitCode) = 0;
  // System processes whose end brings Windows down.
  virtual bool IsCriticalProcess(uint32_t pid) = 0;
  // ShellExecuteW; true when it started something.
  virtual bool ShellOpen(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                         int showCommand) = 0;
  // Starts a hidden child at idle priority (our own priority raised), so it
  // runs once we have ended.
  virtual bool StartIdleChild(const wchar_t* commandLine) = 0;
  // Takes the named mutex for the rest of the process; false when another
  // process holds it.
  virtual bool TakeInstanceLock(const wchar_t* name) = 0;

  // --- IMM32 keyboard layouts ---
  // The new layout's handle, 0 on failure.
  virtual uintptr_t InstallIme(const wchar_t* modulePath, const wchar_t* layoutText) = 0;
  virtual bool ListKeyboardLayouts(std::vector<uintptr_t>* out) = 0;
  // Empty when the layout is no IME.
  virtual std::wstring ImeFileName(uintptr_t layout) = 0;
  virtual bool UnloadLayout(uintptr_t layout) = 0;
  // Sends WM_WININICHANGE with the text to every top-level window (100 ms per
  // window); true when the send completed.
  virtual bool BroadcastSettingChange(const wchar_t* text) = 0;

  // --- TSF registration; each call creates the framework object and releases
  // it. HRESULTs pass through unchanged. ---
  virtual bool TsfAvailable() = 0;
  virtual HRESULT TsfRegister(const GUID& clsid) = 0;
  virtual HRESULT TsfUnregister(const GUID& clsid) = 0;
  virtual HRESULT TsfAddLanguageProfile(const GUID& clsid, LANGID language, const GUID& profile,
                                        const wchar_t* description, const wchar_t* iconFile,
                                        int iconIndex) = 0;
  virtual HRESULT TsfSubstituteKeyboardLayout(const GUID& clsid, LANGID language,
                                              const GUID& profile, uintptr_t layout) = 0;
  virtual HRESULT TsfEnableLanguageProfile(const GUID& clsid, LANGID language, const GUID& profile,
                                           bool enable) = 0;
  virtual HRESULT TsfEnableLanguageProfileByDefault(const GUID& clsid, LANGID language,
                                                    const GUID& profile, bool enable) = 0;
  virtual HRESULT TsfRemoveLanguageProfile(const GUID& clsid, LANGID language,
                                           const GUID& profile) = 0;
  virtual HRESULT TsfRegisterCategory(const GUID& clsid, const GUID& category) = 0;
  virtual HRESULT TsfUnregisterCategory(const GUID& clsid, const GUID& category) = 0;
  // COM on the calling thread; each successful start is paired with a stop.
  virtual bool StartCom() = 0;
  virtual void StopCom() = 0;

  // --- shell ---
  virtual bool CreateShellLink(const ShellLinkSpec& link) = 0;
  // Tells Explorer a folder's content changed.
  virtual void NotifyFolderChanged(const wchar_t* folder) = 0;
  // Opens an http or https address in the user's browser with the signed-in
  // user's rights, never with this program's administrator rights. False
  // when that cannot be done (nothing is opened then).
  virtual bool OpenAddressAsUser(const wchar_t* url) = 0;

  // --- fonts ---
  virtual bool AddFont(const wchar_t* path) = 0;
  virtual void BroadcastFontChange() = 0;

  // --- prompts ---
  // A modal message box; returns the button id (IDYES, IDRETRY ...).
  virtual int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption,
                          uint32_t style) = 0;
  // The folder chooser: an open dialog that shows folders only and offers to
  // create a folder that does not exist. True with the chosen folder.
  virtual bool PickFolder(HWND owner, const wchar_t* initialFolder, const wchar_t* title,
                          std::wstring* out) = 0;

  // --- clock ---
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual uint64_t TickCount() = 0;
  // 100-ns units since 1601 (FILETIME), UTC.
  virtual uint64_t SystemTime() = 0;

  // --- versions ---
  // Major and minor version of Windows.
  virtual void OsVersion(uint32_t* major, uint32_t* minor) = 0;
  // A string of the file's version block, e.g. "FileVersion"; false when the
  // file has none.
  virtual bool QueryVersionString(const wchar_t* path, const wchar_t* name, std::wstring* out) = 0;

  // --- network ---
  // GET of an http or https address; false when no answer came.
  virtual bool HttpGet(const wchar_t* url, uint32_t maxBytes, HttpResponse* out) = 0;
  virtual bool ListMacAddresses(std::vector<MacAddress>* out) = 0;

  // --- errors ---
  // GetLastError() of this thread; ask right after the call that failed.
  virtual uint32_t LastError() = 0;
  // The system's text for a Win32 error or an HRESULT, on one line; empty
  // when the system has none.
  virtual std::wstring ErrorText(uint32_t code) = 0;

  // --- links and owners: the path's last part is opened itself, never what
  // a link there points to ---
  virtual PathPresence InspectPath(const wchar_t* path, PathFacts* out) = 0;
  // One folder level owned by Administrators with exactly this DACL, nothing
  // inherited from the parent. Fails when the name is taken, link or not.
  virtual bool CreateSecuredFolder(const wchar_t* path, const ACL* dacl) = 0;

  // --- folders held open and files made in them. A level is opened by its
  // name relative to the level above it, a link at the name opened itself,
  // and held without delete sharing, so it is neither renamed nor replaced
  // while in use; what is done in it lands in that very folder. Handles are
  // null when there is none; each one is closed with CloseEntry. ---
  // Where a walk starts: a known folder or a drive root, by its path.
  virtual HANDLE OpenFolder(const wchar_t* path) = 0;
  // One name below parent, with what it is (link, folder, owner) to judge.
  virtual PathPresence OpenLevel(HANDLE parent, const wchar_t* name, HANDLE* out,
                                 PathFacts* facts) = 0;
  // A new folder level below parent, as CreateSecuredFolder makes one.
  virtual bool CreateLevel(HANDLE parent, const wchar_t* name, const ACL* dacl, HANDLE* out) = 0;
  // source's bytes into name in folder. A link, or a second name of a file
  // elsewhere, at the name goes itself and a new file takes the name; a
  // plain file is overwritten in place (without overwrite: left, and the
  // call fails). rights (null: none) are the allowed entries the file gets:
  // a new file is made with them, ahead of what the folder passes on, so it
  // never exists without them; a file overwritten in place has them added
  // through the handle it was judged by. file receives the placed file, still
  // held; error the Win32 error of a failure (may be null).
  virtual bool CopyIntoFolder(HANDLE folder, const wchar_t* name, const wchar_t* source,
                              bool overwrite, const ACL* rights, HANDLE* file,
                              uint32_t* error) = 0;
  // Renames name in folder to newName there (never over an existing name).
  virtual bool RenameInFolder(HANDLE folder, const wchar_t* name, const wchar_t* newName) = 0;
  // A new file name in folder holding exactly these bytes, flushed to disk,
  // with what the folder passes on. A name already taken, link or not, fails
  // the call and is left as it is; a file that could not be written whole
  // goes again.
  virtual bool WriteNewFile(HANDLE folder, const wchar_t* name, const void* data,
                            size_t sizeBytes) = 0;
  // The whole content of a file opened by OpenLevel; false when it is
  // larger than maxBytes.
  virtual bool ReadEntry(HANDLE entry, std::vector<uint8_t>* out, uint64_t maxBytes) = 0;
  // The number of names (hard links) of an open file; 0 when unknown.
  virtual uint32_t NameCount(HANDLE entry) = 0;
  virtual void CloseEntry(HANDLE entry) = 0;
};
