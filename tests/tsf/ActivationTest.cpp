// Activation and deactivation on the fake host: what is advised, what a
// failure at each step leaves (nothing), repeated activation, the saved
// conversion mode, the immersive flag, compartments and preserved keys.
#include "tests/tsf/TsfTestSupport.h"

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/tsf/ProductGuids.h"

namespace zn::test {
namespace {

using fakehost::FakeCompartmentMgr;

class ActivationTest : public TsfTest {
 protected:
  CTextService* Service() { return static_cast<CTextService*>(service_.Get()); }
  LONG Global(const GUID& guid) { return host_->compartments()->ValueOf(guid); }
  int ComboCount() { return GetCombinationKeyCount(Service()->imeContext()->dmeBlock); }
};

TEST_F(ActivationTest, ActivationAdvisesEverythingAndDeactivationUndoesIt) {
  ASSERT_EQ(Activate(), S_OK);
  ASSERT_NE(Service()->imeContext(), nullptr);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1) << "the keyboard opens";
  EXPECT_EQ(host_->KeySinks(), 1);
  EXPECT_EQ(context_->sinkCount(), 1) << "text-edit sink on the focused context";
  EXPECT_EQ(host_->compartmentSinks, 1) << "open/close sink";
  // Thread-manager event, profile and thread-focus sinks, key sink, the
  // compartment sink and the text-edit sink.
  EXPECT_EQ(host_->AdvisedSinks(), 6);
  EXPECT_EQ(static_cast<int>(host_->preservedKeys().size()), ComboCount() + 2);
  int ctrlOne = 0;
  int ctrlAltOne = 0;
  for (const auto& p : host_->preservedKeys()) {
    EXPECT_EQ(p.client, client_);
    EXPECT_EQ(p.description, L"---");
    if (p.key.uVKey == '1' && p.key.uModifiers == TF_MOD_CONTROL) ++ctrlOne;
    if (p.key.uVKey == '1' && p.key.uModifiers == (TF_MOD_CONTROL | TF_MOD_ALT)) ++ctrlAltOne;
    if (p.guid == ProductGuids::kWidthToggleKey) EXPECT_EQ(p.key.uModifiers, static_cast<UINT>(TF_MOD_SHIFT));
    if (p.guid == ProductGuids::kPunctuationToggleKey) EXPECT_EQ(p.key.uVKey, static_cast<UINT>(VK_OEM_PERIOD));
  }
  EXPECT_EQ(ctrlOne, 1) << "Ctrl+1 of the shipped key functions";
  EXPECT_EQ(ctrlAltOne, 1) << "Ctrl+Alt+1";
  EXPECT_EQ(service_->Deactivate(), S_OK);
  EXPECT_EQ(host_->AdvisedSinks(), 0);
  EXPECT_TRUE(host_->preservedKeys().empty());
  EXPECT_EQ(TestContexts::live, 0);
  EXPECT_EQ(service_->Deactivate(), S_OK) << "a second deactivation is harmless";
}

TEST_F(ActivationTest, ActivatingTwiceAndReactivatingLeaveOneSetOfSinks) {
  ASSERT_EQ(Activate(), S_OK);
  ASSERT_EQ(Activate(), S_OK) << "an active object deactivates first";
  EXPECT_EQ(host_->AdvisedSinks(), 6);
  EXPECT_EQ(TestContexts::live, 1);
  EXPECT_EQ(service_->Deactivate(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(host_->AdvisedSinks(), 6);
  EXPECT_EQ(static_cast<int>(host_->preservedKeys().size()), ComboCount() + 2);
}

TEST_F(ActivationTest, AFailureAtAnyStepLeavesNothingBehind) {
  struct Case {
    const char* name;
    std::function<void(fakehost::FakeThreadMgr&)> inject;
  };
  const Case cases[] = {
      {"context", [](fakehost::FakeThreadMgr&) { TestContexts::failCreations = 1; }},
      {"thread-manager sink", [](fakehost::FakeThreadMgr& h) { h.failAdvise.insert("ThreadMgrEventSink"); }},
      {"key sink", [](fakehost::FakeThreadMgr& h) { h.failAdvise.insert("KeyEvent"); }},
      {"profile sink", [](fakehost::FakeThreadMgr& h) { h.failAdvise.insert("Profile"); }},
      {"thread-focus sink", [](fakehost::FakeThreadMgr& h) { h.failAdvise.insert("ThreadFocusSink"); }},
      {"compartments", [](fakehost::FakeThreadMgr& h) { h.compartments()->broken = true; }},
      {"keystroke manager", [](fakehost::FakeThreadMgr& h) { h.keystrokeMgrPresent = false; }},
  };
  for (const Case& c : cases) {
    host_->failAdvise.clear();
    host_->compartments()->broken = false;
    host_->keystrokeMgrPresent = true;
    c.inject(*host_.Get());
    EXPECT_EQ(Activate(), E_FAIL) << c.name;
    EXPECT_EQ(host_->AdvisedSinks(), 0) << c.name;
    EXPECT_TRUE(host_->preservedKeys().empty()) << c.name;
    EXPECT_EQ(TestContexts::live, 0) << c.name;
    EXPECT_EQ(Service()->imeContext(), nullptr) << c.name;
  }
  host_->failAdvise.clear();
  host_->compartments()->broken = false;
  host_->keystrokeMgrPresent = true;
  EXPECT_EQ(Activate(), S_OK) << "the same object activates once the host recovers";
}

TEST_F(ActivationTest, AMissingLanguageBarDoesNotFailActivation) {
  host_->langBarPresent = false;
  EXPECT_EQ(Activate(), S_OK);
}

TEST_F(ActivationTest, ConversionModeIsKeptAcrossActivationsWhenTheSettingsAskForIt) {
  ASSERT_EQ(Activate(), S_OK);
  ImeConfigBlock* ime = Service()->imeContext()->imeBlock;
  const uint32_t savedWord = ime->spaceWord;
  const uint32_t savedMode = ime->conversionMode;
  ime->spaceWord |= ImeBits::kCustomConversion | ImeBits::kSaveConversion;
  // The user switched to English; a new activation in a fresh host (another
  // application) starts in English again.
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION,
                                  TF_CONVERSIONMODE_NOCONVERSION | TF_CONVERSIONMODE_SYMBOL);
  ASSERT_EQ(service_->Deactivate(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION),
            TF_CONVERSIONMODE_NOCONVERSION | TF_CONVERSIONMODE_SYMBOL);
  EXPECT_TRUE(Service()->imeContext()->stateFlags & kStateEnglish);
  EXPECT_FALSE(Service()->imeContext()->stateFlags & kStateEnglishPunct);

  // Without the option the mode starts Chinese whatever was stored.
  ime = Service()->imeContext()->imeBlock;
  ime->spaceWord = savedWord & ~(ImeBits::kCustomConversion | ImeBits::kSaveConversion);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION) & (TF_CONVERSIONMODE_NOCONVERSION | 1), 1);
  EXPECT_FALSE(Service()->imeContext()->stateFlags & kStateEnglish);
  ime = Service()->imeContext()->imeBlock;
  ime->spaceWord = savedWord;
  ime->conversionMode = savedMode;
}

TEST_F(ActivationTest, AnUnsetModeStartsWithTheSettingsPunctuationAndAHostModeIsKept) {
  // No one set a mode on this thread: Chinese with Chinese punctuation, as the
  // shipped settings and a new IMM32 context have it.
  ASSERT_EQ(Activate(), S_OK);
  ASSERT_TRUE(Service()->imeContext()->imeBlock->conversionMode & TF_CONVERSIONMODE_SYMBOL);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION),
            TF_CONVERSIONMODE_NATIVE | TF_CONVERSIONMODE_SYMBOL);
  EXPECT_FALSE(Service()->imeContext()->stateFlags & kStateEnglishPunct);

  // A mode the host set with ASCII punctuation stays ASCII.
  ASSERT_EQ(service_->Deactivate(), S_OK);
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION,
                                  TF_CONVERSIONMODE_NATIVE);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION), TF_CONVERSIONMODE_NATIVE);
  EXPECT_TRUE(Service()->imeContext()->stateFlags & kStateEnglishPunct);
}

TEST_F(ActivationTest, ImmersiveOnlyForTheImmersiveFlagAlone) {
  ASSERT_EQ(Activate(TF_TMF_IMMERSIVEMODE), S_OK);
  EXPECT_TRUE(Service()->immersive());
  EXPECT_EQ(Service()->activationFlags(), static_cast<DWORD>(TF_TMF_IMMERSIVEMODE));
  ASSERT_EQ(Activate(TF_TMF_IMMERSIVEMODE | TF_TMAE_UIELEMENTENABLEDONLY), S_OK);
  EXPECT_FALSE(Service()->immersive());
  EXPECT_NE(Service()->activationFlags(), 0u);
  ASSERT_EQ(Activate(TF_TMAE_NOACTIVATETIP), S_OK);
  EXPECT_EQ(Service()->activationFlags(), 0u) << "other flags are not retained";
}

TEST_F(ActivationTest, DisabledOrEmptyContextsPreserveNoKeys) {
  ASSERT_EQ(Activate(), S_OK);
  ASSERT_FALSE(host_->preservedKeys().empty());
  for (const GUID* guid : {&GUID_COMPARTMENT_KEYBOARD_DISABLED, &GUID_COMPARTMENT_EMPTYCONTEXT}) {
    fakehost::FakeContext* other = host_->OpenDocument();
    other->compartments()->SetValue(*guid, 1);
    host_->FocusDocument(nullptr);
    host_->SetFocus(nullptr);
    ComPtr<ITfDocumentMgr> d;
    other->GetDocumentMgr(&d);
    host_->SetFocus(d.Get());
    EXPECT_TRUE(Service()->IsKeyboardDisabled());
    EXPECT_TRUE(host_->preservedKeys().empty()) << "no keys while typing is disabled";
    other->compartments()->SetValue(*guid, 0);
    host_->SetFocus(d.Get());
    EXPECT_FALSE(Service()->IsKeyboardDisabled());
    EXPECT_FALSE(host_->preservedKeys().empty());
  }
  // Closing the keyboard unpreserves through the compartment sink.
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, 0);
  EXPECT_TRUE(host_->preservedKeys().empty());
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, 1);
  EXPECT_FALSE(host_->preservedKeys().empty());
}

TEST_F(ActivationTest, AClosedKeyboardKeepsTheKeysThatOpenItAgain) {
  ASSERT_EQ(Activate(), S_OK);
  DmeConfigBlock* dme = Service()->imeContext()->dmeBlock;
  const DmeConfigBlock saved = *dme;
  const int slot = ComboCount();
  ASSERT_LT(slot, kCombinationCapacity);
  dme->combinations[slot] = CombinationKey{'O' | kKeyCtrl | kKeyAlt, 0, KeyFunction::kOpenClose};
  dme->combinationCount = slot + 1;
  size_t opening = 0;
  for (int i = 0; i <= slot; ++i) opening += CombinationKeyOpensInput(dme->combinations[i]) ? 1 : 0;

  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, 0);
  ASSERT_EQ(host_->preservedKeys().size(), opening) << "only keys that open the keyboard again";
  bool found = false;
  for (const auto& p : host_->preservedKeys()) {
    if (p.guid != ProductGuids::CombinationKey(slot)) continue;
    found = true;
    EXPECT_EQ(p.key.uModifiers, static_cast<UINT>(TF_MOD_CONTROL | TF_MOD_ALT));
  }
  ASSERT_TRUE(found);
  Hold({VK_CONTROL, VK_MENU});
  EXPECT_TRUE(host_->PressKey('O'));
  ReleaseAll();
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1) << "the key opened the keyboard again";
  EXPECT_EQ(static_cast<int>(host_->preservedKeys().size()), ComboCount() + 2);
  *dme = saved;
}

TEST_F(ActivationTest, KeysDroppedByConfigAreUnpreservedExactly) {
  ASSERT_EQ(Activate(), S_OK);
  DmeConfigBlock* dme = Service()->imeContext()->dmeBlock;
  ASSERT_GT(ComboCount(), 0);
  const DmeConfigBlock saved = *dme;
  // Another process rewrites the key functions: no combination keys left,
  // and a corrupt count beyond the 32 slots.
  dme->combinationCount = 0;
  ComPtr<ITfDocumentMgr> focus;
  host_->GetFocus(&focus);
  host_->SetFocus(focus.Get());
  EXPECT_EQ(host_->preservedKeys().size(), 2u) << "only Shift+Space and Ctrl+. stay";
  dme->combinationCount = 200;
  host_->SetFocus(focus.Get());
  EXPECT_LE(host_->preservedKeys().size(), 34u) << "at most 32 combination keys";
  EXPECT_GE(host_->preservedKeys().size(), 2u);
  *dme = saved;
  service_->Deactivate();
  EXPECT_TRUE(host_->preservedKeys().empty());
}

TEST_F(ActivationTest, ConfigureShowsSettingsOnlyOutsideSecureMode) {
  MakeService();
  ComPtr<ITfFnConfigure> configure;
  ASSERT_EQ(service_.As(&configure), S_OK);
  // Inactive: a context made only to start config, destroyed at once.
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), S_OK);
  EXPECT_EQ(TestContexts::live, 0);
  EXPECT_EQ(effects_.programs.size(), 1u);
  TestContexts::failCreations = 1;
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), E_FAIL);

  BSTR name = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(configure->GetDisplayName(&name), E_FAIL) << "nothing to return while inactive";
  EXPECT_EQ(name, nullptr);
  ASSERT_EQ(Activate(TF_TMAE_SECUREMODE), S_OK);
  EXPECT_EQ(configure->GetDisplayName(&name), S_OK);
  ASSERT_NE(name, nullptr);
  EXPECT_LE(SysStringLen(name), 40u);
  SysFreeString(name);
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), E_ACCESSDENIED);
  EXPECT_EQ(effects_.programs.size(), 1u) << "nothing started on a secure desktop";
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), S_OK);
  EXPECT_EQ(effects_.programs.size(), 2u) << "active, the settings open too";
  EXPECT_EQ(TestContexts::live, 1);
}

}  // namespace
}  // namespace zn::test
