// Taking over a reference without adding one. mingw-w64's ComPtr::Attach
// adds a reference (unlike the platform's), so objects that start at one
// reference are adopted through this instead.
#pragma once

#include <wrl/client.h>

template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* fresh) {
  Microsoft::WRL::ComPtr<T> owner;
  *owner.GetAddressOf() = fresh;
  return owner;
}
