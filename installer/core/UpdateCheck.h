// The update check: the list address built from the installed template,
// the list fetched and read, the versions compared, and the download
// address offered. Nothing is downloaded or run but the small list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "installer/core/InstallerOs.h"

// Where the check reports: one text line at a time, and the bytes fetched.
class UpdateReporter {
 public:
  virtual ~UpdateReporter() = default;
  virtual void Status(const wchar_t* text) = 0;
  virtual void Progress(uint64_t bytes) = 0;
};

// Units of an address and of its template, terminator included.
constexpr size_t kUpdateUrlUnits = 512;
constexpr size_t kUpdateLogUnits = 4096;
// A list larger than this is no update list.
constexpr uint32_t kUpdateListMaxBytes = 256 * 1024;
inline constexpr wchar_t kUpdateListName[] = L"update_list.txt";

struct UpdateTarget {
  std::wstring productKey;
  std::wstring installFolder;  // ends in a backslash
  std::wstring tempFolder;     // ends in a backslash
  UpdateReporter* reporter = nullptr;
  // What the list said; cleared before each download.
  uint64_t serverVersion = 0;
  std::wstring downloadAddress;
  std::wstring changeLog;
};

// a.b.c.d packed as a << 48 | b << 32 | c << 16 | d; blanks are ignored and
// missing parts are 0.
uint64_t PackUpdateVersion(const wchar_t* text);

// An http or https address, the scheme's case ignored.
bool IsWebAddress(const std::wstring& url);
// Replaces every occurrence, left to right; the count replaced.
size_t ReplacePlaceholder(std::wstring& text, const std::wstring& placeholder,
                          const std::wstring& value);
// The first adapter's hardware address as "%2x" per byte (" a" for 0x0A),
// at most 128 characters; empty without an adapter.
std::string GetAdapterMacText(InstallerOs& os);

enum class UpdateUrlResult { kOk, kNoTemplate, kTooLong, kNotWeb };
// The template with "{version}", "{guid}" and "{macaddr}" filled in. A
// result that would outgrow the address buffer is refused, not cut, and so
// is anything but an http or https address.
UpdateUrlResult ComposeUpdateUrl(const std::wstring& urlTemplate, const std::wstring& version,
                                 const std::wstring& productKey, const std::string& macText,
                                 std::wstring* url);

// Fills key, install and temporary folders; false with the reason reported.
bool PrepareUpdateTarget(UpdateTarget* target, InstallerOs& os, const std::wstring& productKey,
                         UpdateReporter* reporter);
// GET of the address into the file: status 200 only, at most
// kUpdateListMaxBytes, a file that cannot be written whole is deleted.
int DownloadUrlToFile(InstallerOs& os, const std::wstring& url, const std::wstring& path,
                      UpdateReporter* reporter);
// Reads version, address and log of the first element when it is
// "UpdateInfo". True when the version is not 0.
bool ReadUpdateList(const wchar_t* text, UpdateTarget* target);
// Downloads the list to the temporary folder and reads it.
int FetchUpdateList(UpdateTarget& target, InstallerOs& os, const std::wstring& url);
// The installed template filled in and fetched; 1 when a list gave a version.
int BuildUpdateUrl(UpdateTarget& target, InstallerOs& os);

struct UpdateCheckResult {
  enum class Kind { kNoTarget, kNoVerdict, kUpToDate, kNewer };
  Kind kind = Kind::kNoVerdict;
  std::wstring versionText;  // the server's, when newer
  std::wstring address;
};
// The whole check after the button, minus the question: reports every line
// of the log through the reporter.
UpdateCheckResult RunUpdateCheck(InstallerOs& os, const std::wstring& productKey,
                                 UpdateReporter* reporter);

// An address a browser may be given: http and https as they are, one
// without any scheme with "http://" in front; anything else (ftp, file, a
// path, another scheme) is refused.
bool OpenableDownloadAddress(const std::wstring& address, std::wstring* out);
// Asks whether to download the newer version and opens the address in the
// user's browser, as the user, on yes.
void OfferDownload(InstallerOs& os, HWND owner, const UpdateCheckResult& result,
                   UpdateReporter* reporter);
