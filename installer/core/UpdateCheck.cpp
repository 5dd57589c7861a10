// The update check's steps over the seam; the dialog only shows their lines.
#include "installer/core/UpdateCheck.h"

#include <cstdio>
#include <cwctype>

#include "codetable/Md5.h"
#include "engine/FileVersion.h"
#include "engine/TextDecoder.h"
#include "engine/WideString.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/TagTree.h"

namespace {

constexpr size_t kMacTextUnits = 128;
constexpr size_t kVersionUnits = 31;

void Report(UpdateReporter* reporter, const wchar_t* text) {
  if (reporter) reporter->Status(text);
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t n = wcslen(prefix);
  return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

std::wstring Cut(std::wstring text, size_t units) {
  if (text.size() > units) text.resize(units);
  return text;
}

// "[r]" in the log stands for a line break.
std::wstring LogText(std::wstring text) {
  ReplacePlaceholder(text, L"[r]", L" \r\n");
  return Cut(std::move(text), kUpdateLogUnits - 1);
}

}  // namespace

bool IsWebAddress(const std::wstring& url) {
  return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

uint64_t PackUpdateVersion(const wchar_t* text) {
  std::wstring compact;
  for (const wchar_t* p = text ? text : L""; *p; ++p) {
    if (*p != L' ' && *p != L'\t' && *p != L'+') compact.push_back(*p);
  }
  DottedVersion version;
  ParseDottedVersion(compact.c_str(), &version);
  return version.packed;
}

size_t ReplacePlaceholder(std::wstring& text, const std::wstring& placeholder,
                          const std::wstring& value) {
  if (placeholder.empty() || text.empty()) return 0;
  size_t count = 0;
  for (size_t at = text.find(placeholder); at != std::wstring::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
    ++count;
  }
  return count;
}

std::string GetAdapterMacText(InstallerOs& os) {
  std::vector<MacAddress> adapters;
  std::string text;
  if (!os.ListMacAddresses(&adapters)) return text;
  for (const MacAddress& address : adapters) {
    if (address.empty()) continue;
    for (uint8_t byte : address) {
      char part[4];
      snprintf(part, sizeof(part), "%2x", byte);
      text += part;
    }
    break;
  }
  if (text.size() > kMacTextUnits) text.resize(kMacTextUnits);
  return text;
}

UpdateUrlResult ComposeUpdateUrl(const std::wstring& urlTemplate, const std::wstring& version,
                                 const std::wstring& productKey, const std::string& macText,
                                 std::wstring* url) {
  url->clear();
  if (urlTemplate.empty()) return UpdateUrlResult::kNoTemplate;
  if (urlTemplate.size() >= kUpdateUrlUnits) return UpdateUrlResult::kTooLong;
  std::wstring guid;
  for (wchar_t c : productKey) {
    if (c != L'{' && c != L'}' && c != L'-') guid.push_back(c);
  }
  char digest[33];
  Md5HexDigestBytes(macText.data(), macText.size(), digest);
  std::wstring mac(digest, digest + 32);
  std::wstring text = urlTemplate;
  ReplacePlaceholder(text, L"{version}", version.empty() ? L"0" : Cut(version, kVersionUnits));
  ReplacePlaceholder(text, L"{guid}", guid);
  ReplacePlaceholder(text, L"{macaddr}", mac.empty() ? L"0" : mac);
  if (text.size() >= kUpdateUrlUnits) return UpdateUrlResult::kTooLong;
  if (!IsWebAddress(text)) return UpdateUrlResult::kNotWeb;
  *url = text;
  return UpdateUrlResult::kOk;
}

bool PrepareUpdateTarget(UpdateTarget* target, InstallerOs& os, const std::wstring& productKey,
                         UpdateReporter* reporter) {
  *target = UpdateTarget{};
  target->reporter = reporter;
  if (productKey.empty()) {
    Report(reporter, kUpdateNoTarget);
    return false;
  }
  std::wstring temp;
  if (!os.GetKnownFolder(KnownFolder::kTemp, &temp) || temp.empty()) {
    Report(reporter, kUpdateNoTemp);
    return false;
  }
  target->tempFolder = WithBackslash(temp);
  target->productKey = productKey;
  target->installFolder = WithBackslash(ReadProductValue(os, productKey, L"InstallLocation"));
  return true;
}

int DownloadUrlToFile(InstallerOs& os, const std::wstring& url, const std::wstring& path,
                      UpdateReporter* reporter) {
  if (os.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !os.RemoveFile(path.c_str())) {
    Report(reporter, kUpdateNotSaved);
    return 0;
  }
  HttpResponse response;
  if (!os.HttpGet(url.c_str(), kUpdateListMaxBytes, &response)) {
    Report(reporter, kUpdateNoAnswer);
    return 0;
  }
  if (response.status != 200) {
    wchar_t text[128];
    FormatString(text, 128, kUpdateBadStatus, response.status);
    Report(reporter, text);
    return 0;
  }
  if (response.truncated) {
    Report(reporter, kUpdateTooLarge);
    return 0;
  }
  if (reporter) reporter->Progress(response.body.size());
  if (!os.WriteFile(path.c_str(), response.body.data(), response.body.size())) {
    os.RemoveFile(path.c_str());
    Report(reporter, kUpdateNotSaved);
    return 0;
  }
  return 1;
}

bool ReadUpdateList(const wchar_t* text, UpdateTarget* target) {
  target->serverVersion = 0;
  target->downloadAddress.clear();
  target->changeLog.clear();
  TagNode* document = ParseTagTree(text);
  const TagNode* info = document ? document->firstChild : nullptr;
  if (info && FindChildTag(document, L"UpdateInfo") == info) {
    if (const TagNode* version = FindChildTag(info, L"version"))
      target->serverVersion = PackUpdateVersion(version->text.c_str());
    if (const TagNode* url = FindChildTag(info, L"url"))
      target->downloadAddress = Cut(url->text, kUpdateUrlUnits - 1);
    if (const TagNode* log = FindChildTag(info, L"log")) target->changeLog = LogText(log->text);
  }
  FreeTagTree(document);
  return target->serverVersion != 0;
}

int FetchUpdateList(UpdateTarget& target, InstallerOs& os, const std::wstring& url) {
  target.serverVersion = 0;
  target.downloadAddress.clear();
  target.changeLog.clear();
  std::wstring path = target.tempFolder + kUpdateListName;
  if (!DownloadUrlToFile(os, url, path, target.reporter)) return 0;
  std::vector<uint8_t> bytes;
  if (!os.ReadFile(path.c_str(), &bytes, kUpdateListMaxBytes)) return 0;
  DecodedText text;
  if (!text.Decode(bytes.data(), static_cast<uint32_t>(bytes.size()))) return 0;
  return ReadUpdateList(text.Text(), &target) ? 1 : 0;
}

int BuildUpdateUrl(UpdateTarget& target, InstallerOs& os) {
  // Read whole: the template may be longer than the installed record holds.
  std::wstring urlTemplate = ReadProductValue(os, target.productKey, L"URLUpdateInfo");
  std::wstring version = ReadProductValue(os, target.productKey, L"DisplayVersion");
  std::wstring url;
  switch (ComposeUpdateUrl(urlTemplate, version, target.productKey, GetAdapterMacText(os), &url)) {
    case UpdateUrlResult::kOk:
      return FetchUpdateList(target, os, url);
    case UpdateUrlResult::kNoTemplate:
      Report(target.reporter, kUpdateNotSupported);
      return 0;
    case UpdateUrlResult::kTooLong:
    case UpdateUrlResult::kNotWeb:
      Report(target.reporter, kUpdateAddressRefused);
      return 0;
  }
  return 0;
}

UpdateCheckResult RunUpdateCheck(InstallerOs& os, const std::wstring& productKey,
                                 UpdateReporter* reporter) {
  UpdateCheckResult result;
  UpdateTarget target;
  if (!PrepareUpdateTarget(&target, os, productKey, reporter)) {
    result.kind = UpdateCheckResult::Kind::kNoTarget;
    return result;
  }
  Report(reporter, kUpdateSeparator);
  if (!BuildUpdateUrl(target, os)) return result;
  uint64_t installed =
      PackUpdateVersion(ReadProductValue(os, productKey, L"DisplayVersion").c_str());
  if (installed >= target.serverVersion) {
    Report(reporter, kUpdateUpToDate);
    result.kind = UpdateCheckResult::Kind::kUpToDate;
    return result;
  }
  result.kind = UpdateCheckResult::Kind::kNewer;
  result.versionText = DottedVersionText(target.serverVersion);
  result.address = target.downloadAddress;
  wchar_t line[kUpdateLogUnits + 64];
  Report(reporter, L"");
  FormatString(line, kUpdateLogUnits + 64, kUpdateServerVersion, result.versionText.c_str());
  Report(reporter, line);
  FormatString(line, kUpdateLogUnits + 64, kUpdateChanges, target.changeLog.c_str());
  Report(reporter, line);
  FormatString(line, kUpdateLogUnits + 64, kUpdateAddress, result.address.c_str());
  Report(reporter, line);
  return result;
}

bool OpenableDownloadAddress(const std::wstring& address, std::wstring* out) {
  out->clear();
  size_t start = address.find_first_not_of(L" \t\r\n");
  if (start == std::wstring::npos) return false;
  size_t end = address.find_last_not_of(L" \t\r\n");
  std::wstring text = address.substr(start, end - start + 1);
  for (wchar_t c : text) {
    if (c < 0x20) return false;
  }
  if (IsWebAddress(text)) {
    *out = text;
    return true;
  }
  // A path ("\\server", "/x") or any other scheme ("ftp:", "file:", a drive
  // "C:") could start a program on this computer.
  if (text[0] == L'\\' || text[0] == L'/') return false;
  size_t colon = text.find(L':');
  if (colon != std::wstring::npos && colon < text.find_first_of(L"/?#")) {
    bool scheme = colon > 0 && std::iswalpha(text[0]);
    for (size_t i = 0; scheme && i < colon; ++i) {
      wchar_t c = text[i];
      scheme = std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.';
    }
    // "host:8080/..." has digits only after its colon: no scheme.
    bool port = colon + 1 < text.size() && std::iswdigit(text[colon + 1]);
    if (scheme && !port) return false;
  }
  *out = L"http://" + text;
  return true;
}

void OfferDownload(InstallerOs& os, HWND owner, const UpdateCheckResult& result,
                   UpdateReporter* reporter) {
  if (result.kind != UpdateCheckResult::Kind::kNewer) return;
  wchar_t question[512];
  FormatString(question, 512, kMsgUpdateQuestion, result.versionText.c_str());
  if (os.ShowMessage(owner, question, kCaptionUpdate, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  std::wstring address;
  if (!OpenableDownloadAddress(result.address, &address) ||
      !os.OpenAddressAsUser(address.c_str())) {
    Report(reporter, kUpdateNotOpened);
  }
}
