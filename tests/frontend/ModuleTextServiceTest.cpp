// The real zinIME.ime as TSF loads it: the class object for the product
// CLSID, a text service made by it, activated on the fake host against the
// shipped data (a copy) with the product's registry values written into the
// prefix, and typing a word through it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/Product.h"
#include "tests/tsf/host/FakeHost.h"
#include "tools/common/TypingView.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

std::wstring ProgramFolder() {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

class ModuleTextService : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    // What the installer writes, pointing at a copy of the shipped data.
    copy_ = CopyDataFolder(ZN_TEST_DATA_DIR);
    ASSERT_FALSE(copy_.empty());
    ASSERT_TRUE(WriteHostRegistryValues(copy_));
    module_ = LoadLibraryW((ProgramFolder() + L"zinIME.ime").c_str());
    ASSERT_NE(module_, nullptr);
    getClassObject_ = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    canUnload_ = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnload_, nullptr);
    ASSERT_NE(GetProcAddress(module_, "DllRegisterServer"), nullptr);
    ASSERT_NE(GetProcAddress(module_, "DllUnregisterServer"), nullptr);
    IIDFromString(const_cast<wchar_t*>(ZN_PRODUCT_GUID_TEXT), &clsid_);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    if (!copy_.empty()) RemoveDataFolderCopy(copy_);
    CoUninitialize();
  }

  std::wstring copy_;
  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadFn canUnload_ = nullptr;
  CLSID clsid_{};
};

TEST_F(ModuleTextService, CreatesAndActivatesTheServiceOnAHost) {
  EXPECT_EQ(canUnload_(), S_OK);
  fakehost::ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject_(clsid_, IID_PPV_ARGS(&factory)), S_OK);
  fakehost::ComPtr<ITfTextInputProcessorEx> service;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&service)), S_OK);
  factory.Reset();
  {
    auto host = fakehost::Make<fakehost::FakeThreadMgr>();
    host->OpenDocument(L"", 0);
    ASSERT_EQ(service->ActivateEx(host.Get(), 7, 0), S_OK);
    EXPECT_EQ(host->KeySinks(), 1);
    EXPECT_FALSE(host->preservedKeys().empty());
    EXPECT_EQ(host->compartments()->ValueOf(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1);
    uint8_t keyboard[256] = {};
    SetKeyboardState(keyboard);
    for (wchar_t c : std::wstring(L"wqvb")) {
      EXPECT_TRUE(host->PressKey(static_cast<UINT>(c - L'a' + 'A'), c));
      host->ReleaseKey(static_cast<UINT>(c - L'a' + 'A'));
    }
    EXPECT_TRUE(host->PressKey(VK_SPACE, L' '));
    host->ReleaseKey(VK_SPACE);
    EXPECT_EQ(host->FocusedContext()->Marked(), L"你好|") << "typed through the real module";
    EXPECT_EQ(canUnload_(), S_FALSE) << "a service is alive";
    ASSERT_EQ(service->Deactivate(), S_OK);
    EXPECT_EQ(host->AdvisedSinks(), 0);
    host->Shutdown();
  }
  service.Reset();
  EXPECT_EQ(canUnload_(), S_OK);
  EXPECT_EQ(fakehost::Counters().liveObjects, 0);
}

}  // namespace
