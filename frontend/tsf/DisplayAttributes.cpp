// ITfDisplayAttributeProvider of the text service. The framework asks it on
// an instance it never activates, so nothing here needs an input context.
#include <new>

#include "frontend/tsf/DisplayAttributeInfo.h"
#include "frontend/tsf/TextService.h"

HRESULT CTextService::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  const OsServices& registry = environment_.registry ? *environment_.registry : DefaultOs();
  *out = new (std::nothrow) CEnumDisplayAttributeInfo(registry);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTextService::GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  DisplayAttribute attribute;
  if (!FindDisplayAttribute(guid, &attribute)) return E_INVALIDARG;
  const OsServices& registry = environment_.registry ? *environment_.registry : DefaultOs();
  *out = new (std::nothrow) CDisplayAttributeInfo(attribute, registry);
  return *out ? S_OK : E_OUTOFMEMORY;
}
