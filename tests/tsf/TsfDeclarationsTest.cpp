// Every interface id and GUID the text service uses, against the value the
// platform documents: a wrong id would pass every test under Wine and break
// on Windows. Product GUIDs must be distinct and stay fixed.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frontend/tsf/ProductGuids.h"
#include "frontend/tsf/TsfDeclarations.h"

namespace {

std::wstring Text(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

struct Documented {
  const char* name;
  GUID value;
  const wchar_t* text;
};

TEST(TsfDeclarations, InterfaceIdsMatchTheDocumentedValues) {
  const Documented ids[] = {
      {"ITfTextInputProcessorEx", __uuidof(ITfTextInputProcessorEx), L"{6E4E2102-F9CD-433D-B496-303CE03A6507}"},
      {"ITfFunction", __uuidof(ITfFunction), L"{DB593490-098F-11D3-8DF0-00105A2799B5}"},
      {"ITfFnConfigure", __uuidof(ITfFnConfigure), L"{88F567C6-1757-49F8-A1B2-89234C1EEFF9}"},
      {"ITfFnReconversion", __uuidof(ITfFnReconversion), L"{4CEA93C0-0A58-11D3-8DF0-00105A2799B5}"},
      {"ITfDisplayAttributeProvider", __uuidof(ITfDisplayAttributeProvider),
       L"{FEE47777-163C-4769-996A-6E9C50AD8F54}"},
      {"ITfLangBarItemButton", __uuidof(ITfLangBarItemButton), L"{28C7F1D0-DE25-11D2-AFDD-00105A2799B5}"},
      {"ITfMenu", __uuidof(ITfMenu), L"{6F8A98E4-AAA0-4F15-8C5B-07E0DF0A3DD8}"},
      {"ITfCandidateListUIElement", __uuidof(ITfCandidateListUIElement),
       L"{EA1EA138-19DF-11D7-A6D2-00065B84435C}"},
      {"ITfCandidateListUIElementBehavior", __uuidof(ITfCandidateListUIElementBehavior),
       L"{85FAD185-58CE-497A-9460-355366B64B9A}"},
      {"ITfTextLayoutSink", __uuidof(ITfTextLayoutSink), L"{2AF2D06A-DD5B-4927-A0B4-54F19C91FADE}"},
      // Declared by mingw-w64; checked because the service answers them.
      {"ITfTextInputProcessor", __uuidof(ITfTextInputProcessor), L"{AA80E7F7-2021-11D2-93E0-0060B067B86E}"},
      {"ITfThreadMgrEventSink", __uuidof(ITfThreadMgrEventSink), L"{AA80E80E-2021-11D2-93E0-0060B067B86E}"},
      {"ITfTextEditSink", __uuidof(ITfTextEditSink), L"{8127D409-CCD3-4683-967A-B43D5B482BF7}"},
      {"ITfKeyEventSink", __uuidof(ITfKeyEventSink), L"{AA80E7F5-2021-11D2-93E0-0060B067B86E}"},
      {"ITfCompositionSink", __uuidof(ITfCompositionSink), L"{A781718C-579A-4B15-A280-32B8577ACC5E}"},
      {"ITfActiveLanguageProfileNotifySink", __uuidof(ITfActiveLanguageProfileNotifySink),
       L"{B246CB75-A93E-4652-BF8C-B3FE0CFD7E57}"},
      {"ITfThreadFocusSink", __uuidof(ITfThreadFocusSink), L"{C0F1DB0C-3A20-405C-A303-96B6010A885F}"},
      {"ITfCompartmentEventSink", __uuidof(ITfCompartmentEventSink), L"{743ABD5F-F26D-48DF-8CC5-238492419B64}"},
      {"ITfEditSession", __uuidof(ITfEditSession), L"{AA80E803-2021-11D2-93E0-0060B067B86E}"},
      {"ITfUIElement", __uuidof(ITfUIElement), L"{EA1EA137-19DF-11D7-A6D2-00065B84435C}"},
  };
  for (const Documented& d : ids) EXPECT_EQ(Text(d.value), d.text) << d.name;
}

TEST(TsfDeclarations, GuidsMatchTheDocumentedValues) {
  const Documented guids[] = {
      {"GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION", GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION,
       L"{CCF05DD8-4A87-11D7-A6E2-00065B84435C}"},
      {"GUID_COMPARTMENT_KEYBOARD_INPUTMODE_SENTENCE", GUID_COMPARTMENT_KEYBOARD_INPUTMODE_SENTENCE,
       L"{CCF05DD9-4A87-11D7-A6E2-00065B84435C}"},
      {"GUID_TFCAT_TIPCAP_SECUREMODE", GUID_TFCAT_TIPCAP_SECUREMODE, L"{49D2F9CE-1F5E-11D7-A6D3-00065B84435C}"},
      {"GUID_TFCAT_TIPCAP_UIELEMENTENABLED", GUID_TFCAT_TIPCAP_UIELEMENTENABLED,
       L"{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}"},
      {"GUID_TFCAT_TIPCAP_INPUTMODECOMPARTMENT", GUID_TFCAT_TIPCAP_INPUTMODECOMPARTMENT,
       L"{CCF05DD7-4A87-11D7-A6E2-00065B84435C}"},
      {"GUID_TFCAT_TIPCAP_COMLESS", GUID_TFCAT_TIPCAP_COMLESS, L"{364215D9-75BC-11D7-A6EF-00065B84435C}"},
      {"GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT", GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT,
       L"{13A016DF-560B-46CD-947A-4C3AF1E0E35D}"},
      {"GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT", GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT,
       L"{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}"},
      {"GUID_LBI_INPUTMODE", GUID_LBI_INPUTMODE, L"{2C77A81E-41CC-4178-A3A7-5F8A987568E6}"},
      {"GUID_COMPARTMENT_KEYBOARD_OPENCLOSE", GUID_COMPARTMENT_KEYBOARD_OPENCLOSE,
       L"{58273AAD-01BB-4164-95C6-755BA0B5162D}"},
      {"GUID_COMPARTMENT_KEYBOARD_DISABLED", GUID_COMPARTMENT_KEYBOARD_DISABLED,
       L"{71A5B253-1951-466B-9FBC-9C8808FA84F2}"},
      {"GUID_COMPARTMENT_EMPTYCONTEXT", GUID_COMPARTMENT_EMPTYCONTEXT, L"{D7487DBF-804E-41C5-894D-AD96FD4EEA13}"},
      {"GUID_PROP_ATTRIBUTE", GUID_PROP_ATTRIBUTE, L"{34B45670-7526-11D2-A147-00105A2799B5}"},
  };
  for (const Documented& d : guids) EXPECT_EQ(Text(d.value), d.text) << d.name;
  static_assert(TF_TMAE_SECUREMODE == 2 && TF_TMAE_UIELEMENTENABLEDONLY == 4 && TF_TMF_IMMERSIVEMODE == 0x40000000);
  static_assert(TF_CONVERSIONMODE_NOCONVERSION == 0x100 && TF_CONVERSIONMODE_SYMBOL == 0x400);
  EXPECT_EQ(static_cast<uint32_t>(TF_E_SYNCHRONOUS), 0x80040208u);
  EXPECT_EQ(static_cast<uint32_t>(TF_S_ASYNC), 0x00040300u);
}

TEST(TsfDeclarations, ProductGuidsAreDistinctAndFixed) {
  std::set<std::wstring> seen;
  for (int i = 0; i < ProductGuids::kCombinationKeySlots; ++i) seen.insert(Text(ProductGuids::CombinationKey(i)));
  for (const GUID& g : {ProductGuids::kWidthToggleKey, ProductGuids::kPunctuationToggleKey,
                        ProductGuids::kDisplayAttributeInput, ProductGuids::kDisplayAttributeConverted,
                        ProductGuids::kDisplayAttributeNone, ProductGuids::kLangBarOpenClose,
                        ProductGuids::kLangBarWidth, ProductGuids::kLangBarChineseEnglish,
                        ProductGuids::kLangBarSoftKeyboard, ProductGuids::kLangBarOptions}) {
    seen.insert(Text(g));
  }
  EXPECT_EQ(seen.size(), 42u);
  // Hosts and stored settings refer to these: they never change.
  EXPECT_EQ(Text(ProductGuids::CombinationKey(3)), L"{5228C846-2FD8-4A80-8587-D7084C34EC03}");
  EXPECT_EQ(Text(ProductGuids::kDisplayAttributeInput), L"{336AA46F-4943-4C22-824B-9771EEE10A01}");
}

}  // namespace
