// ITfDisplayAttributeProvider of the text service. The attribute objects
// and their enumerator are not built yet: hosts then draw the composition
// without our attributes.
#include "frontend/tsf/TextService.h"

HRESULT CTextService::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CTextService::GetDisplayAttributeInfo(REFGUID, ITfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  return E_INVALIDARG;
}
