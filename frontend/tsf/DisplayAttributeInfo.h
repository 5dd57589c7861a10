// The display attributes of the text service (how applications draw the
// composition: dotted underline while typing, solid while converted) as
// ITfDisplayAttributeInfo objects, with per-user overrides of 36 bytes in
// HKCU "Software\Zinnor Text Service", and their enumerator.
#pragma once

#include <windows.h>

#include "engine/Os.h"
#include "frontend/tsf/ComObject.h"
#include "frontend/tsf/TsfDeclarations.h"

enum class DisplayAttribute { kInput, kConverted, kNone };

struct DisplayAttributeKind {
  GUID guid;
  TF_DISPLAYATTRIBUTE builtIn;
  const wchar_t* description;
  const wchar_t* valueName;  // under the per-user key
};

// The registry key of the overrides, under HKEY_CURRENT_USER.
inline constexpr wchar_t kDisplayAttributeKey[] = L"Software\\Zinnor Text Service";

const DisplayAttributeKind& DisplayAttributeOf(DisplayAttribute attribute);
// The attribute with this GUID; false for any other GUID.
bool FindDisplayAttribute(REFGUID guid, DisplayAttribute* attribute);

class CDisplayAttributeInfo final : public ComObject<ITfDisplayAttributeInfo> {
 public:
  // registry: where the overrides are read and written; outlives the object.
  CDisplayAttributeInfo(DisplayAttribute attribute, const OsServices& registry)
      : kind_(DisplayAttributeOf(attribute)), registry_(registry) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override;
  HRESULT STDMETHODCALLTYPE GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) override;
  HRESULT STDMETHODCALLTYPE SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) override;
  HRESULT STDMETHODCALLTYPE Reset() override;

 private:
  ~CDisplayAttributeInfo() override = default;

  const DisplayAttributeKind& kind_;
  const OsServices& registry_;
};

// Enumerates the input and converted attributes (the "none" attribute is
// only ever asked for by its GUID).
class CEnumDisplayAttributeInfo final : public ComObject<IEnumTfDisplayAttributeInfo> {
 public:
  explicit CEnumDisplayAttributeInfo(const OsServices& registry, ULONG index = 0)
      : registry_(registry), index_(index) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

  HRESULT STDMETHODCALLTYPE Clone(IEnumTfDisplayAttributeInfo** clone) override;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, ITfDisplayAttributeInfo** infos, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;

 private:
  ~CEnumDisplayAttributeInfo() override = default;

  const OsServices& registry_;
  ULONG index_;
};
