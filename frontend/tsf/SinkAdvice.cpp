// Sink advice through ITfSource.
#include "frontend/tsf/SinkAdvice.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

HRESULT AdviseSourceSink(IUnknown* source, REFIID riid, IUnknown* sink, DWORD* cookie) {
  *cookie = TF_INVALID_COOKIE;
  if (!source) return E_INVALIDARG;
  ComPtr<ITfSource> s;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&s));
  if (FAILED(hr)) return hr;
  DWORD c = TF_INVALID_COOKIE;
  hr = s->AdviseSink(riid, sink, &c);
  if (SUCCEEDED(hr)) *cookie = c;
  return hr;
}

void UnadviseSourceSink(IUnknown* source, DWORD* cookie) {
  if (*cookie == TF_INVALID_COOKIE) return;
  const DWORD c = *cookie;
  *cookie = TF_INVALID_COOKIE;
  ComPtr<ITfSource> s;
  if (source && SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(&s)))) {
    // Nothing is left to do when the host already forgot the cookie.
    s->UnadviseSink(c);
  }
}
