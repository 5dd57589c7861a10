// Font families by enumeration of the screen's fonts.
#include "frontend/settings/FontFamilies.h"

#include <windows.h>

#include <algorithm>

namespace settings_pages {
namespace {

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  auto* families = reinterpret_cast<std::vector<std::wstring>*>(list);
  const wchar_t* face = font->lfFaceName;
  if (face[0] == L'@' || !face[0]) return 1;
  // Each family comes once per character set.
  if (std::find(families->begin(), families->end(), face) == families->end()) {
    families->emplace_back(face);
  }
  return 1;
}

std::vector<std::wstring> Enumerate() {
  std::vector<std::wstring> families;
  families.reserve(32);
  HDC screen = GetDC(nullptr);
  if (!screen) return families;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(screen, &all, AddFamily, reinterpret_cast<LPARAM>(&families), 0);
  ReleaseDC(nullptr, screen);
  return families;
}

}  // namespace

const std::vector<std::wstring>& CollectFontFamilies() {
  static const std::vector<std::wstring> families = Enumerate();
  return families;
}

}  // namespace settings_pages
