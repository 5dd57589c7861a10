// The keyword dispatch table and the instance titles.
#include "config/app/ConfigModes.h"

namespace {

struct KeywordRow {
  const wchar_t* keywords[4];
  ConfigDispatch dispatch;
};

constexpr KeywordRow kRows[] = {
    {{L"gaojishezhi", L"高级设置"}, {ConfigMode::kAdvancedEditor, kTitleAdvanced, 0}},
    {{L"showurl"}, {ConfigMode::kShowUrl, nullptr, 0}},
    {{L"dict"}, {ConfigMode::kDictionary, kTitleDictionary, 0}},
    {{L"shuchufancha", L"输出反查"}, {ConfigMode::kOutputLookup, kTitleCodeView, 0}},
    {{L"jiantiebanfancha", L"剪贴板反查"}, {ConfigMode::kClipboardLookup, kTitleCodeView, 0}},
    {{L"anjianshezhi", L"按键设置"}, {ConfigMode::kKeyEditor, kTitleKeyEditor, 0}},
    {{L"tianjiayonghuci", L"添加用户词"}, {ConfigMode::kAddWordManual, nullptr, 0}},
    {{L"zaixianjiaci", L"在线加词", L"jianqiebanjiaci", L"剪贴板加词"},
     {ConfigMode::kAddWordRecent, nullptr, 0}},
    {{L"help", L"帮助首页"}, {ConfigMode::kHelp, nullptr, 0}},
};

struct PageKeyword {
  const wchar_t* pinyin;
  const wchar_t* chinese;
  int page;
};

constexpr PageKeyword kPageKeywords[] = {
    {L"jiemian", L"界面", kPageAppearance},
    {L"mabiao", L"码表", kPageCodeTables},
    {L"gaoji", L"高级", kPageSystem},
    {L"about", L"关于", kPageAbout},
};

bool EqualsIgnoringAsciiCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    wchar_t x = a[i];
    wchar_t y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x + 32);
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y + 32);
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

ConfigDispatch DispatchKeyword(const std::wstring& keyword) {
  for (const KeywordRow& row : kRows) {
    for (const wchar_t* word : row.keywords) {
      if (word && keyword == word) return row.dispatch;
    }
  }
  int page = kPageOptions;
  for (const PageKeyword& row : kPageKeywords) {
    if (EqualsIgnoringAsciiCase(keyword, row.pinyin) || keyword == row.chinese) page = row.page;
  }
  return ConfigDispatch{ConfigMode::kSettings, kTitleSettings, page};
}

std::wstring InstanceTitle(const wchar_t* prefix, const std::wstring& displayName) {
  std::wstring title = prefix ? prefix : L"";
  title += L" - ";
  title += displayName.empty() ? std::wstring(L"*") : displayName;
  if (title.size() > 127) title.resize(127);
  return title;
}
