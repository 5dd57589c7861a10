// The text service's COM server entry points. The class factory is one
// static object that is never deleted: deleting it when its count reached zero
// raced with DllGetClassObject on another thread.
#pragma once

#include <windows.h>
#include <unknwn.h>

// Parses a braced GUID text (38 characters) into clsid; false when it is not one.
bool ParseProductClsid(const wchar_t* text, CLSID* clsid);

extern "C" {
HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT STDAPICALLTYPE DllCanUnloadNow();
HRESULT STDAPICALLTYPE DllRegisterServer();
HRESULT STDAPICALLTYPE DllUnregisterServer();
}
