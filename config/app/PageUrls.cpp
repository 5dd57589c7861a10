// Page addresses.
#include "config/app/PageUrls.h"

#include "engine/UrlEncode.h"

namespace {

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    wchar_t a = text[i];
    wchar_t b = prefix[i];
    if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + 32);
    if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b + 32);
    if (a != b) return false;
  }
  return true;
}

constexpr wchar_t kHelpScheme[] = L"mk:@MSITStore:";

}  // namespace

std::wstring HelpTopicUrl(const std::wstring& installFolder, const wchar_t* topic) {
  return std::wstring(kHelpScheme) + installFolder + L"main.chm::/" + (topic ? topic : L"");
}

std::optional<std::wstring> AcceptPageUrl(const std::wstring& url, const std::wstring& installFolder) {
  if (url.empty()) {
    if (installFolder.empty()) return std::nullopt;
    return HelpTopicUrl(installFolder, L"About.html");
  }
  if (StartsWithIgnoringCase(url, kHelpScheme)) {
    // A help address may only open our own help file: a crafted command
    // line must not make config open another compiled help file.
    if (installFolder.empty()) return std::nullopt;
    std::wstring ours = std::wstring(kHelpScheme) + installFolder + L"main.chm";
    if (!StartsWithIgnoringCase(url, ours)) return std::nullopt;
    std::wstring rest = url.substr(ours.size());
    if (!rest.empty() && rest.compare(0, 2, L"::") != 0) return std::nullopt;
    return url;
  }
  if (StartsWithIgnoringCase(url, L"http://") || StartsWithIgnoringCase(url, L"https://")) {
    wchar_t encoded[kEncodedUrlUnits + 1];
    UrlPercentEncode(url.c_str(), encoded, kEncodedUrlUnits + 1, UrlEncodeForm::kWholeUrl);
    return std::wstring(encoded);
  }
  return std::nullopt;
}
