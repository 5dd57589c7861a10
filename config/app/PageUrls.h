// Which addresses the page window and the About page navigate to.
#pragma once

#include <optional>
#include <string>

// "mk:@MSITStore:<install folder>main.chm::/<topic>".
std::wstring HelpTopicUrl(const std::wstring& installFolder, const wchar_t* topic);

// The address to navigate for a requested url: a "mk:@MSITStore:" address
// only into the install folder's main.chm (unchanged); http and https
// addresses percent-encoded as whole URLs; every other scheme refused
// (empty). An empty request gets the help file's About topic.
std::optional<std::wstring> AcceptPageUrl(const std::wstring& url, const std::wstring& installFolder);
