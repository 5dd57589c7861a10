// The key-event sink. The decision whether a key is taken, and what it does,
// belong to the shared key runner; here a taken key becomes one synchronous
// edit session, and a key is reported eaten only when that session ran.
#include "frontend/tsf/TextService.h"

#include "frontend/tsf/EditSessions.h"

HRESULT CTextService::OnSetFocus(BOOL) {
  return S_OK;
}

HRESULT CTextService::OnTestKeyDown(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::OnKeyDown(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::OnPreservedKey(ITfContext*, REFGUID, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  return S_OK;
}

HRESULT CTextService::RunKeySession(TfEditCookie, ITfContext*) {
  return S_FALSE;
}
