// Reading a whole-settings text back into the ime, dme and skin blocks.
#include "config/settingstext/SettingsText.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/DataLock.h"
#include "engine/ItfObject.h"
#include "engine/SettingsCodec.h"

namespace {

// Collected items keep at most this many units, as the item records of
// earlier versions did.
constexpr size_t kItemKeyUnits = 39;
constexpr size_t kItemValueUnits = 259;

// Byte ranges of the blocks that the text covers. Only these go back into the
// shared mapping, so fields the engine updates meanwhile (recent commits,
// boot stamp, window positions) are not overwritten with stale copies.
constexpr size_t kImeCoveredEnd = offsetof(ImeConfigBlock, recentCommitCount);
constexpr size_t kDmeCoveredEnd = offsetof(DmeConfigBlock, unused13216);
constexpr size_t kSkinCoveredEnd = offsetof(SkinConfigBlock, unused496);
constexpr size_t kWordRulesOffset = offsetof(DmeConfigBlock, wordRules);
constexpr size_t kWordRulesBytes = 8192;
static_assert(kWordRulesOffset + kWordRulesBytes <= offsetof(DmeConfigBlock, keyFunctions));

struct Item {
  int section;
  std::wstring key;
  std::wstring value;
};

struct Walk {
  std::vector<Item> immediate;  // key functions, word rules, escapes, key roots
  std::vector<Item> ime, dme, skin;
  bool sawHeader = false;
};

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

void TakeLine(Walk& walk, int& section, const wchar_t* line, size_t units) {
  std::wstring content(line, units);
  if (units >= 2 && line[0] == L'[' && line[1] == L'-') {
    section = GetSectionId(content.c_str());
    if (section != kSectionNone) walk.sawHeader = true;
    return;
  }
  // A line that starts with "=" names the key "=".
  size_t eq = content.find(L'=', content[0] == L'=' ? 1 : 0);
  if (eq == std::wstring::npos || eq == 0) return;
  Item item{section, content.substr(0, eq), std::wstring()};
  const wchar_t* raw = content.c_str() + eq + 1;
  // Escape values keep their written form: quoting there also tells a single
  // text with a comma from a pair.
  item.value = section == kSectionEscapes ? std::wstring(raw) : ReadSettingValue(raw);
  switch (section) {
    case kSectionIme:
    case kSectionDme:
    case kSectionSkin: {
      if (item.key.size() > kItemKeyUnits) item.key.resize(kItemKeyUnits);
      if (item.value.size() > kItemValueUnits) item.value.resize(kItemValueUnits);
      auto& list = section == kSectionIme ? walk.ime : section == kSectionDme ? walk.dme : walk.skin;
      list.push_back(std::move(item));
      break;
    }
    case kSectionKeyFunctions:
    case kSectionWordRules:
    case kSectionEscapes:
    case kSectionKeyRoots:
      walk.immediate.push_back(std::move(item));
      break;
    default:
      break;
  }
}

Walk WalkText(const wchar_t* text) {
  Walk walk;
  int section = kSectionNone;
  const wchar_t* p = text;
  if (*p == L'\xFEFF') ++p;
  while (*p) {
    while (IsBreak(*p)) ++p;
    if (!*p) break;
    if (p[0] == L'/' && p[1] == L'/') {
      while (*p && !IsBreak(*p)) ++p;
      continue;
    }
    if (p[0] == L'/' && p[1] == L'*') {
      const wchar_t* end = p + 2;
      while (*end && !(end[0] == L'*' && end[1] == L'/')) ++end;
      if (!*end) break;
      p = end + 2;
      while (IsBreak(*p)) ++p;
      continue;
    }
    // The content runs to the line break or to two backslashes; after those
    // the text is read on as a new line.
    const wchar_t* start = p;
    while (*p && !IsBreak(*p) && !(p[0] == L'\\' && p[1] == L'\\')) ++p;
    const size_t units = static_cast<size_t>(p - start);
    if (*p == L'\\') p += 2;
    // An over-long line is dropped whole rather than read on in pieces.
    if (units <= kMaxSettingsLineUnits) TakeLine(walk, section, start, units);
  }
  return walk;
}

void ClearReplacedTables(ImeConfigBlock* ime, DmeConfigBlock* dme) {
  std::memset(dme->keyFunctions, 0, sizeof dme->keyFunctions);
  dme->combinationCount = 0;
  std::memset(dme->combinations, 0, sizeof dme->combinations);
  std::memset(reinterpret_cast<uint8_t*>(dme) + kWordRulesOffset, 0, kWordRulesBytes);
  std::memset(ime->symbolEscapes, 0, sizeof ime->symbolEscapes);
  std::memset(ime->keyRootTable, 0, sizeof ime->keyRootTable);
}

void FinishBlock(ConfigBlock* header, uint32_t size, uint16_t id, const wchar_t* name) {
  header->size = size;
  header->id = id;
  std::memset(header->name, 0, sizeof header->name);
  for (uint32_t i = 0; i + 1 < kBlockNameUnits && name[i]; ++i) header->name[i] = name[i];
}

template <typename Block>
std::unique_ptr<Block> PrivateCopy(const Block* live) {
  auto copy = std::make_unique<Block>();
  std::memcpy(copy.get(), live, sizeof(Block));
  return copy;
}

}  // namespace

int ParseSettingsText(const wchar_t* text, ImeConfigBlock* ime, DmeConfigBlock* dme,
                      SkinConfigBlock* skin, const ItfObject* itf, const MappedFile* settingsFile) {
  if (!text || !ime || !dme || !skin) return 0;
  Walk walk = WalkText(text);
  // Clearing the key tables for a text that is no settings text at all would
  // leave every input context without keys.
  if (!walk.sawHeader) return 0;

  // Held from the copies on: a field another writer changes meanwhile would
  // otherwise be written back with its old value.
  DataWriteLock lock(settingsFile);
  if (!lock.Held()) return -1;
  auto newIme = PrivateCopy(ime);
  auto newDme = PrivateCopy(dme);
  auto newSkin = PrivateCopy(skin);
  ClearReplacedTables(newIme.get(), newDme.get());

  for (const Item& item : walk.immediate) {
    if (item.section == kSectionEscapes) {
      ApplyWrittenSymbolEscapeLine(newIme.get(), item.key.c_str(), item.value.c_str());
    } else {
      ApplySettingsLine(item.section, item.key.c_str(), item.value.c_str(), newIme.get(),
                        newDme.get(), newSkin.get(), itf);
    }
  }
  for (const Item& item : walk.ime) {
    ApplyImeSettingLine(newIme.get(), item.key.c_str(), item.value.c_str());
  }
  FinishBlock(&newIme->header, kImeBlockSize, 1, kImeBlockName);
  if (itf && itf->parseLine) {
    for (const Item& item : walk.dme) {
      itf->parseLine(newDme.get(), item.key.c_str(), item.value.c_str(), kItfSectionDme);
    }
  }
  FinishBlock(&newDme->header, kDmeBlockSize, 2, kDmeBlockName);
  if (itf && itf->parseLine) {
    for (const Item& item : walk.skin) {
      itf->parseLine(newSkin.get(), item.key.c_str(), item.value.c_str(), kItfSectionSkin);
    }
  }
  FinishBlock(&newSkin->header, kSkinBlockSize, 3, kSkinBlockName);

  std::memcpy(ime, newIme.get(), kImeCoveredEnd);
  ime->conversionMode = newIme->conversionMode;
  std::memcpy(dme, newDme.get(), kDmeCoveredEnd);
  std::memcpy(skin, newSkin.get(), kSkinCoveredEnd);
  return 1;
}
