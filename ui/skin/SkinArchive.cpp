// One skin archive into SkinValues and SkinImageSet.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/skin/ArchiveLoader.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinIni.h"
#include "ui/skin/SkinLoader.h"

namespace {

constexpr const char* kBackgroundNames[kPictureFirstButton] = {"bar", "candHB", "candHB_shu",
                                                               "candQR", "candQR_shu"};
constexpr const char* kButtonNames[kSkinButtonCount] = {
    "flag", "en",   "cn",   "capslock", "en_biaodian", "cn_biaodian", "quan",   "ban",
    "key2", "key1", "menu", "up",       "down",        "extern1",     "extern2"};

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// The path in the ANSI code page, or false when it has characters the code
// page cannot hold (a best-fit substitute could name another file) or does
// not fit the 260-byte buffer.
bool ToAnsiPath(const wchar_t* path, char (&out)[MAX_PATH]) {
  BOOL substituted = FALSE;
  bool utf8 = GetACP() == CP_UTF8;
  int n = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, path, -1, out, MAX_PATH,
                              nullptr, utf8 ? nullptr : &substituted);
  return n > 0 && !substituted;
}

// The entries a skin reads: the rest of an archive is never inflated.
bool IsSkinEntry(const char* name) {
  return EqualsIgnoringAsciiCase(name, "skin.ini") || SkinPictureIndex(name) >= 0;
}

// Pixels the pictures of the archive declare, read from their headers.
uint64_t DeclaredPixels(const ArchiveEntryList* list) {
  uint64_t total = 0;
  const ArchiveEntry* entries = list->Entries();
  for (uint32_t i = 0; i < list->count; ++i) {
    uint32_t width = 0, height = 0;
    if (SkinPictureIndex(entries[i].name) >= 0 &&
        PngDeclaredSize(entries[i].data, entries[i].length, &width, &height)) {
      total += static_cast<uint64_t>(width) * height;
    }
  }
  return total;
}

}  // namespace

void SkinPictureFileName(int index, char* out) {
  out[0] = 0;
  if (index < 0 || index >= kSkinPictureCount) return;
  if (index < kPictureFirstButton) {
    std::snprintf(out, 32, "%s.png", kBackgroundNames[index]);
    return;
  }
  int button = (index - kPictureFirstButton) / 3;
  int state = (index - kPictureFirstButton) % 3;
  if (state == 0) {
    std::snprintf(out, 32, "%s.png", kButtonNames[button]);
  } else {
    std::snprintf(out, 32, "%s_%d.png", kButtonNames[button], state);
  }
}

int SkinPictureIndex(const char* entryName) {
  char name[32];
  for (int i = 0; i < kSkinPictureCount; ++i) {
    SkinPictureFileName(i, name);
    if (EqualsIgnoringAsciiCase(entryName, name)) return i;
  }
  return -1;
}

int LoadSkinArchive(SkinValues* values, SkinImageSet* images, const wchar_t* path) {
  std::memset(values, 0, sizeof(*values));
  std::memset(images, 0, sizeof(*images));
  char ansiPath[MAX_PATH];
  if (!path || !ToAnsiPath(path, ansiPath)) return 0;

  const ArchiveLimits limits{kMaxSkinEntries, kMaxSkinEntryBytes, kMaxSkinArchiveBytes, IsSkinEntry};
  ArchiveEntryList* list = LoadArchiveEntries(ansiPath, limits);
  if (!list) return 0;
  // A skin whose pictures would cost more than the budget is refused whole,
  // before any of them is decoded.
  if (DeclaredPixels(list) > kMaxSkinPixels) {
    FreeArchiveEntries(list);
    return 0;
  }

  PixelBudget budget;
  ArchiveEntry* entries = list->Entries();
  for (uint32_t i = 0; i < list->count && !budget.exceeded; ++i) {
    ArchiveEntry& entry = entries[i];
    if ((entry.flags & kArchiveEntryRead) == 0 || (entry.flags & kArchiveEntryNameCut) != 0) {
      continue;
    }
    if (EqualsIgnoringAsciiCase(entry.name, "skin.ini")) {
      if (ParseSkinIni(values, entry.length, entry.data) == kSkinIniParsed) {
        // The ANSI form fitted 260 bytes, so the path fits 260 units.
        wcsncpy(values->loadedPath, path, 259);
        values->loadedPath[259] = 0;
      }
      continue;
    }
    int slot = SkinPictureIndex(entry.name);
    if (slot < 0) continue;
    // A second picture of the same name replaces the first without leaking it.
    FreeSkinImage(images->images[slot]);
    images->images[slot] = LoadPngFromMemory(entry.data, entry.length, &budget);
    // The compressed bytes go as soon as they are decoded: the archive and
    // its pictures are never held whole at once.
    std::free(entry.data);
    entry.data = nullptr;
    entry.length = 0;
  }
  FreeArchiveEntries(list);

  ClampSkinValues(values, images);
  bool complete = values->info.name[0] != 0 && !budget.exceeded;
  for (int i = 0; i < kPictureFirstButton; ++i) complete = complete && images->images[i];
  if (!complete) {
    FreeSkin(images);
    return 0;
  }
  return 1;
}
