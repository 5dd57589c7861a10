// The three display attributes, their per-user overrides and the
// enumerator of the two that hosts list.
#include "frontend/tsf/DisplayAttributeInfo.h"

#include <initializer_list>
#include <new>

#include "frontend/tsf/ProductGuids.h"

namespace {

constexpr TF_DA_COLOR kNoColour{TF_CT_NONE, {0}};

TF_DA_COLOR NoColour(COLORREF stored) {
  TF_DA_COLOR c{};
  c.type = TF_CT_NONE;
  c.cr = stored;
  return c;
}

const DisplayAttributeKind kKinds[] = {
    {ProductGuids::kDisplayAttributeInput,
     {kNoColour, kNoColour, TF_LS_DOT, FALSE, kNoColour, TF_ATTR_INPUT},
     L"TextService Display Attribute Input",
     L"DisplayAttributeInput"},
    // The stored colour values mean nothing for TF_CT_NONE; kept as written.
    {ProductGuids::kDisplayAttributeConverted,
     {NoColour(0), NoColour(0xFFFFFF), TF_LS_SOLID, FALSE, NoColour(0xFFFFFF), TF_ATTR_TARGET_CONVERTED},
     L"TextService Display Attribute Converted",
     L"DisplayAttributeConverted"},
    {ProductGuids::kDisplayAttributeNone,
     {kNoColour, kNoColour, TF_LS_DOT, FALSE, kNoColour, TF_ATTR_INPUT},
     L"TextService Display Attribute None",
     L"DisplayAttributeNone"},
};

// The attributes an enumeration hands out, in order.
constexpr DisplayAttribute kEnumerated[] = {DisplayAttribute::kInput, DisplayAttribute::kConverted};
constexpr ULONG kEnumeratedCount = sizeof kEnumerated / sizeof kEnumerated[0];

}  // namespace

const DisplayAttributeKind& DisplayAttributeOf(DisplayAttribute attribute) {
  return kKinds[static_cast<int>(attribute)];
}

bool FindDisplayAttribute(REFGUID guid, DisplayAttribute* attribute) {
  for (DisplayAttribute a : {DisplayAttribute::kInput, DisplayAttribute::kConverted, DisplayAttribute::kNone}) {
    if (IsEqualGUID(guid, DisplayAttributeOf(a).guid)) {
      *attribute = a;
      return true;
    }
  }
  return false;
}

// ---- CDisplayAttributeInfo ----

HRESULT CDisplayAttributeInfo::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_ITfDisplayAttributeInfo) return E_NOINTERFACE;
  *ppv = static_cast<ITfDisplayAttributeInfo*>(this);
  AddRef();
  return S_OK;
}

HRESULT CDisplayAttributeInfo::GetGUID(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  *guid = kind_.guid;
  return S_OK;
}

HRESULT CDisplayAttributeInfo::GetDescription(BSTR* description) {
  if (!description) return E_INVALIDARG;
  *description = SysAllocString(kind_.description);
  return *description ? S_OK : E_OUTOFMEMORY;
}

HRESULT CDisplayAttributeInfo::GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) {
  if (!attribute) return E_INVALIDARG;
  TF_DISPLAYATTRIBUTE stored{};
  uint32_t size = 0;
  // A value of any other size is someone else's: the built-in one applies.
  if (registry_.ReadUserBinary(kDisplayAttributeKey, kind_.valueName, &stored, sizeof stored, &size) &&
      size == sizeof stored) {
    *attribute = stored;
  } else {
    *attribute = kind_.builtIn;
  }
  return S_OK;
}

HRESULT CDisplayAttributeInfo::SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) {
  if (!attribute) return E_INVALIDARG;
  return registry_.WriteUserBinary(kDisplayAttributeKey, kind_.valueName, attribute, sizeof *attribute) ? S_OK
                                                                                                        : E_FAIL;
}

HRESULT CDisplayAttributeInfo::Reset() {
  return SetAttributeInfo(&kind_.builtIn);
}

// ---- CEnumDisplayAttributeInfo ----

HRESULT CEnumDisplayAttributeInfo::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IEnumTfDisplayAttributeInfo) return E_NOINTERFACE;
  *ppv = static_cast<IEnumTfDisplayAttributeInfo*>(this);
  AddRef();
  return S_OK;
}

HRESULT CEnumDisplayAttributeInfo::Clone(IEnumTfDisplayAttributeInfo** clone) {
  if (!clone) return E_INVALIDARG;
  *clone = new (std::nothrow) CEnumDisplayAttributeInfo(registry_, index_);
  return *clone ? S_OK : E_OUTOFMEMORY;
}

HRESULT CEnumDisplayAttributeInfo::Next(ULONG count, ITfDisplayAttributeInfo** infos, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (count == 0) return S_OK;
  // Standard IEnum rules: an array is needed, and a count for more than one.
  if (!infos || (count > 1 && !fetched)) return E_INVALIDARG;
  ULONG made = 0;
  while (made < count && index_ < kEnumeratedCount) {
    infos[made] = new (std::nothrow) CDisplayAttributeInfo(kEnumerated[index_], registry_);
    if (!infos[made]) {
      // Nothing half-handed out: the caller owns none of them.
      while (made > 0) {
        --made;
        infos[made]->Release();
        infos[made] = nullptr;
        --index_;
      }
      return E_OUTOFMEMORY;
    }
    ++made;
    ++index_;
  }
  if (fetched) *fetched = made;
  return made == count ? S_OK : S_FALSE;
}

HRESULT CEnumDisplayAttributeInfo::Reset() {
  index_ = 0;
  return S_OK;
}

HRESULT CEnumDisplayAttributeInfo::Skip(ULONG count) {
  const ULONG left = kEnumeratedCount > index_ ? kEnumeratedCount - index_ : 0;
  const ULONG moved = count < left ? count : left;
  index_ += moved;
  return moved == count ? S_OK : S_FALSE;
}
