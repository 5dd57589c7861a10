// Advising and unadvising sinks through an object's ITfSource, keeping the
// cookie in one place: TF_INVALID_COOKIE whenever nothing is advised.
#pragma once

#include "frontend/tsf/TsfDeclarations.h"

// Advises sink for riid on source (any object with ITfSource). On failure the
// cookie stays TF_INVALID_COOKIE and the result says why.
HRESULT AdviseSourceSink(IUnknown* source, REFIID riid, IUnknown* sink, DWORD* cookie);
// Unadvises a cookie from source when it holds one; the cookie is cleared
// whatever the source answers, so it is never unadvised twice.
void UnadviseSourceSink(IUnknown* source, DWORD* cookie);
