// The COM server entry points and the text service's identity.
#include <gtest/gtest.h>

#include "engine/Product.h"
#include "frontend/tsf/ClassFactory.h"
#include "frontend/tsf/ComAdopt.h"
#include "frontend/tsf/TextService.h"
#include "tests/tsf/TsfTestSupport.h"

namespace {

CLSID ProductClsid() {
  CLSID clsid{};
  EXPECT_TRUE(ParseProductClsid(ZN_PRODUCT_GUID_TEXT, &clsid));
  return clsid;
}

TEST(ClassFactory, ServesOnlyTheProductClassThroughFactoryInterfaces) {
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "nothing created yet";
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(ProductClsid(), IID_IClassFactory, &factory), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a factory reference is out";
  ComPtr<IClassFactory> again;
  ASSERT_EQ(DllGetClassObject(ProductClsid(), IID_IUnknown, &again), S_OK);
  EXPECT_EQ(again.Get(), factory.Get()) << "one static factory";

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(ProductClsid(), IID_ITfTextInputProcessor, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(IID_ITfThreadMgr, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DllGetClassObject(ProductClsid(), IID_IClassFactory, nullptr), E_POINTER);

  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  again.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "locked";
  ComPtr<IClassFactory> third;
  ASSERT_EQ(DllGetClassObject(ProductClsid(), IID_IClassFactory, &third), S_OK);
  EXPECT_EQ(third->LockServer(FALSE), S_OK);
  third.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST(ClassFactory, CreatesServicesAndRefusesAggregation) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(ProductClsid(), IID_IClassFactory, &factory), S_OK);
  ComPtr<ITfTextInputProcessorEx> service;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&service)), S_OK);
  ASSERT_NE(service, nullptr);
  ComPtr<IUnknown> outer;
  service.As(&outer);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ITfThreadMgr, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr) << "a refused service is freed";
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  outer.Reset();
  service.Reset();
  factory.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(ClassFactory, ProductClsidTextMustBeABracedGuid) {
  CLSID clsid{};
  EXPECT_TRUE(ParseProductClsid(L"{441AC6AE-67A0-480E-8529-6932B7588E61}", &clsid));
  EXPECT_FALSE(ParseProductClsid(L"441AC6AE-67A0-480E-8529-6932B7588E61", &clsid));
  EXPECT_FALSE(ParseProductClsid(L"{441AC6AE-67A0-480E-8529-6932B7588E61}x", &clsid));
  EXPECT_FALSE(ParseProductClsid(L"{441AC6AE-67A0-480E-8529-6932B7588EZZ}", &clsid));
  EXPECT_FALSE(ParseProductClsid(L"", &clsid));
  EXPECT_FALSE(ParseProductClsid(nullptr, &clsid));
}

// Every advertised interface answers with itself and one identity.
TEST(TextServiceIdentity, EveryAdvertisedInterfaceAnswers) {
  ComPtr<ITfTextInputProcessorEx> service =
      Adopt<ITfTextInputProcessorEx>(new CTextService(zn::test::TestContexts::Environment()));
  ComPtr<IUnknown> identity;
  ASSERT_EQ(service->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  const IID advertised[] = {IID_IUnknown,
                            IID_ITfTextInputProcessor,
                            __uuidof(ITfTextInputProcessorEx),
                            IID_ITfThreadMgrEventSink,
                            IID_ITfTextEditSink,
                            IID_ITfKeyEventSink,
                            IID_ITfCompositionSink,
                            __uuidof(ITfDisplayAttributeProvider),
                            IID_ITfActiveLanguageProfileNotifySink,
                            IID_ITfThreadFocusSink,
                            IID_ITfCompartmentEventSink,
                            __uuidof(ITfFunction),
                            __uuidof(ITfFnConfigure),
                            __uuidof(ITfFnReconversion)};
  for (const IID& iid : advertised) {
    ComPtr<IUnknown> p;
    ASSERT_EQ(service->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf())), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(p->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
    EXPECT_EQ(back.Get(), identity.Get()) << "one identity";
  }
  // The composition sink's slot is OnCompositionTerminated, not another sink's method.
  ComPtr<ITfCompositionSink> sink;
  ASSERT_EQ(service.As(&sink), S_OK);
  EXPECT_EQ(sink->OnCompositionTerminated(0, nullptr), S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(service->QueryInterface(IID_ITfThreadMgr, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(service->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
}

}  // namespace
