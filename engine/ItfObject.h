// The function tables the module hands out through its one extra export,
// ZNITFGetObject: the settings pages (kind 1) and the settings-text codec of
// the dme and skin sections (kind 2). A table is allocated by the module and
// freed by its caller through slot 0.
#pragma once

#include <windows.h>
#include <cstddef>

#include "engine/PointerLayout.h"

struct ImeContext;
struct ItfObject;

enum ItfObjectKind : int {
  kItfSettingsPages = 1,
  kItfSettingsText = 2,
  kItfNone = 3,
};

// Sections of ParseSettingsLine and WriteSettingsSection.
enum ItfSettingsSection : int {
  kItfSectionDme = 1,
  kItfSectionSkin = 2,
};

using ReleaseItfObjectFn = void (*)(ItfObject* table);
using CreateSettingsPageFn = HWND (*)(HWND parent, int page, ImeContext* context);
using DestroySettingsPageFn = int (*)(int apply);
// block is the dme block for section 1, the skin block for section 2.
using ParseSettingsLineFn = void (*)(void* block, const wchar_t* key, const wchar_t* value,
                                     int section);
// Returns 1 when the body was written, 0 when writing failed or the section
// is unknown.
using WriteSettingsSectionFn = int (*)(const void* block, HANDLE file, int section);

struct ItfObject {
  ReleaseItfObjectFn release;
  union {
    CreateSettingsPageFn createPage;  // kind 1
    ParseSettingsLineFn parseLine;    // kind 2
  };
  union {
    DestroySettingsPageFn destroyPage;  // kind 1
    WriteSettingsSectionFn writeSection;  // kind 2
  };
};
static_assert(sizeof(ItfObject) == ByPointerSize(24, 12));
static_assert(offsetof(ItfObject, createPage) == ByPointerSize(8, 4));
static_assert(offsetof(ItfObject, destroyPage) == ByPointerSize(16, 8));

// Kinds 1 and 2: a new table in *out, 1. Kind 3: null in *out, 0. Any other
// kind, a null out or no memory: 0, *out unchanged.
extern "C" int WINAPI ZNITFGetObject(int kind, ItfObject** out);

void ReleaseItfObject(ItfObject* table);
void ParseSettingsLine(void* block, const wchar_t* key, const wchar_t* value, int section);
int WriteSettingsSection(const void* block, HANDLE file, int section);
HWND CreateSettingsPage(HWND parent, int page, ImeContext* context);
int DestroySettingsPage(int apply);
// The settings pages are windows of the module, which sets their two
// functions at load; until then kind 1 creates no page and destroying one
// succeeds. Null functions put that back.
void SetSettingsPageHooks(CreateSettingsPageFn create, DestroySettingsPageFn destroy);
