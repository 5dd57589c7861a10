// ZNITFGetObject and the slots of its tables. The settings pages are the
// module's windows, reached through the hooks it sets at load.
#include "engine/ItfObject.h"

#include "engine/ConfigBlocks.h"
#include "engine/SettingsCodec.h"

namespace {

// Module state, set once at load by the module that owns the pages.
CreateSettingsPageFn createPageHook = nullptr;
DestroySettingsPageFn destroyPageHook = nullptr;

}  // namespace

extern "C" int WINAPI ZNITFGetObject(int kind, ItfObject** out) {
  if (!out) return 0;
  if (kind == kItfNone) {
    *out = nullptr;
    return 0;
  }
  // Callers test the result and the table alike: an unknown kind must not
  // read as success with no table behind it.
  if (kind != kItfSettingsPages && kind != kItfSettingsText) return 0;
  auto* table = static_cast<ItfObject*>(GlobalAlloc(GPTR, sizeof(ItfObject)));
  if (!table) return 0;
  table->release = ReleaseItfObject;
  if (kind == kItfSettingsPages) {
    table->createPage = CreateSettingsPage;
    table->destroyPage = DestroySettingsPage;
  } else {
    table->parseLine = ParseSettingsLine;
    table->writeSection = WriteSettingsSection;
  }
  *out = table;
  return 1;
}

void ReleaseItfObject(ItfObject* table) {
  if (table) GlobalFree(table);
}

void ParseSettingsLine(void* block, const wchar_t* key, const wchar_t* value, int section) {
  if (!block || !key || !value) return;
  if (section == kItfSectionDme) {
    ApplyDmeSettingLine(static_cast<DmeConfigBlock*>(block), key, value);
  } else if (section == kItfSectionSkin) {
    ApplySkinSettingLine(static_cast<SkinConfigBlock*>(block), key, value);
  }
}

int WriteSettingsSection(const void* block, HANDLE file, int section) {
  if (!block) return 0;
  if (section == kItfSectionDme) {
    return WriteDmeSettings(static_cast<const DmeConfigBlock*>(block), file) ? 1 : 0;
  }
  if (section == kItfSectionSkin) {
    return WriteSkinSettings(static_cast<const SkinConfigBlock*>(block), file) ? 1 : 0;
  }
  return 0;
}

void SetSettingsPageHooks(CreateSettingsPageFn create, DestroySettingsPageFn destroy) {
  createPageHook = create;
  destroyPageHook = destroy;
}

HWND CreateSettingsPage(HWND parent, int page, ImeContext* context) {
  return createPageHook ? createPageHook(parent, page, context) : nullptr;
}

int DestroySettingsPage(int apply) {
  // Without pages nothing is open: done.
  return destroyPageHook ? destroyPageHook(apply) : 1;
}
