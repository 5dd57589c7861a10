// The font families of the display, for the appearance page's face lists.
#pragma once

#include <string>
#include <vector>

namespace settings_pages {

// Every family of the display once, vertical ("@") faces left out; built on
// the first call and kept for the process.
const std::vector<std::wstring>& CollectFontFamilies();

}  // namespace settings_pages
