// Display attributes: the three objects and their built-in looks, the
// per-user overrides (another application reads what one wrote; a value of
// the wrong size is ignored; Reset writes the built-in look back), the
// enumerator's IEnum rules, and the overrides in Wine's real registry.
#include "frontend/tsf/DisplayAttributeInfo.h"
#include "frontend/tsf/ProductGuids.h"
#include "tests/tsf/UiTestSupport.h"

namespace zn::test {
namespace {

class DisplayAttributeTest : public UiTest {
 protected:
  ComPtr<ITfDisplayAttributeProvider> Provider() {
    if (!service_) MakeService();
    ComPtr<ITfDisplayAttributeProvider> provider;
    EXPECT_EQ(service_.As(&provider), S_OK);
    return provider;
  }
  ComPtr<ITfDisplayAttributeInfo> Info(const GUID& guid) {
    ComPtr<ITfDisplayAttributeInfo> info;
    EXPECT_EQ(Provider()->GetDisplayAttributeInfo(guid, &info), S_OK);
    return info;
  }
  static GUID GuidOf(ITfDisplayAttributeInfo* info) {
    GUID guid{};
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    return guid;
  }
};

TEST_F(DisplayAttributeTest, ThreeAttributesWithTheirBuiltInLooks) {
  // The framework asks an instance it never activated.
  struct Case {
    GUID guid;
    TF_DA_LINESTYLE line;
    TF_DA_ATTR_INFO info;
    const wchar_t* description;
  };
  const Case cases[] = {
      {ProductGuids::kDisplayAttributeInput, TF_LS_DOT, TF_ATTR_INPUT, L"TextService Display Attribute Input"},
      {ProductGuids::kDisplayAttributeConverted, TF_LS_SOLID, TF_ATTR_TARGET_CONVERTED,
       L"TextService Display Attribute Converted"},
      {ProductGuids::kDisplayAttributeNone, TF_LS_DOT, TF_ATTR_INPUT, L"TextService Display Attribute None"},
  };
  for (const Case& c : cases) {
    ComPtr<ITfDisplayAttributeInfo> info = Info(c.guid);
    ASSERT_TRUE(info);
    EXPECT_EQ(GuidOf(info.Get()), c.guid);
    BSTR text = nullptr;
    EXPECT_EQ(info->GetDescription(&text), S_OK);
    EXPECT_EQ(std::wstring(text), c.description);
    SysFreeString(text);
    TF_DISPLAYATTRIBUTE look{};
    EXPECT_EQ(info->GetAttributeInfo(&look), S_OK);
    EXPECT_EQ(look.lsStyle, c.line);
    EXPECT_EQ(look.bAttr, c.info);
    EXPECT_EQ(look.crText.type, TF_CT_NONE);
    EXPECT_FALSE(look.fBoldLine);
    EXPECT_EQ(info->GetAttributeInfo(nullptr), E_INVALIDARG);
    EXPECT_EQ(info->SetAttributeInfo(nullptr), E_INVALIDARG);
  }
  ComPtr<ITfDisplayAttributeInfo> other;
  EXPECT_EQ(Provider()->GetDisplayAttributeInfo(ProductGuids::kLangBarWidth, &other), E_INVALIDARG);
  EXPECT_FALSE(other);
  EXPECT_EQ(Provider()->GetDisplayAttributeInfo(ProductGuids::kDisplayAttributeInput, nullptr), E_INVALIDARG);
  EXPECT_EQ(Provider()->EnumDisplayAttributeInfo(nullptr), E_INVALIDARG);
}

TEST_F(DisplayAttributeTest, OverridesAreSharedAndResetWritesTheBuiltInLookBack) {
  ComPtr<ITfDisplayAttributeInfo> input = Info(ProductGuids::kDisplayAttributeInput);
  TF_DISPLAYATTRIBUTE red{};
  red.crText.type = TF_CT_COLORREF;
  red.crText.cr = RGB(255, 0, 0);
  red.lsStyle = TF_LS_SQUIGGLE;
  ASSERT_EQ(input->SetAttributeInfo(&red), S_OK);
  // Another application (another provider object) reads the same override.
  ComPtr<ITfDisplayAttributeInfo> elsewhere = Info(ProductGuids::kDisplayAttributeInput);
  TF_DISPLAYATTRIBUTE look{};
  ASSERT_EQ(elsewhere->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.crText.type, TF_CT_COLORREF);
  EXPECT_EQ(look.crText.cr, RGB(255, 0, 0));
  EXPECT_EQ(look.lsStyle, TF_LS_SQUIGGLE);
  // The other attributes keep their own looks.
  ASSERT_EQ(Info(ProductGuids::kDisplayAttributeConverted)->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.lsStyle, TF_LS_SOLID);

  ASSERT_EQ(elsewhere->Reset(), S_OK);
  const auto& stored = registry_.values[std::wstring(kDisplayAttributeKey) + L"|DisplayAttributeInput"];
  EXPECT_EQ(stored.size(), 36u) << "replaced by the built-in look, not deleted";
  ASSERT_EQ(input->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.crText.type, TF_CT_NONE);
  EXPECT_EQ(look.lsStyle, TF_LS_DOT);

  // A value of another size is not ours to read.
  std::vector<uint8_t> short35(35, 0xAB);
  registry_.values[std::wstring(kDisplayAttributeKey) + L"|DisplayAttributeInput"] = short35;
  ASSERT_EQ(input->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.lsStyle, TF_LS_DOT);
  EXPECT_EQ(look.bAttr, TF_ATTR_INPUT);
  registry_.values[std::wstring(kDisplayAttributeKey) + L"|DisplayAttributeInput"] = std::vector<uint8_t>(37, 1);
  ASSERT_EQ(input->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.lsStyle, TF_LS_DOT);

  registry_.writable = false;
  EXPECT_EQ(input->SetAttributeInfo(&red), E_FAIL);
  EXPECT_EQ(input->Reset(), E_FAIL);
}

TEST_F(DisplayAttributeTest, TheEnumeratorHandsOutExactlyInputAndConverted) {
  ComPtr<IEnumTfDisplayAttributeInfo> all;
  ASSERT_EQ(Provider()->EnumDisplayAttributeInfo(&all), S_OK);
  ITfDisplayAttributeInfo* got[3] = {};
  ULONG fetched = 9;
  EXPECT_EQ(all->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(GuidOf(got[0]), ProductGuids::kDisplayAttributeInput);
  EXPECT_EQ(GuidOf(got[1]), ProductGuids::kDisplayAttributeConverted);
  for (ULONG i = 0; i < fetched; ++i) got[i]->Release();
  EXPECT_EQ(all->Next(1, got, nullptr), S_FALSE) << "nothing left";

  EXPECT_EQ(all->Reset(), S_OK);
  EXPECT_EQ(all->Next(0, nullptr, nullptr), S_OK);
  EXPECT_EQ(all->Next(2, got, nullptr), E_INVALIDARG) << "more than one needs a count";
  EXPECT_EQ(all->Next(1, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(all->Skip(1), S_OK);
  ComPtr<IEnumTfDisplayAttributeInfo> copy;
  ASSERT_EQ(all->Clone(&copy), S_OK);
  ITfDisplayAttributeInfo* one = nullptr;
  ASSERT_EQ(copy->Next(1, &one, nullptr), S_OK);
  EXPECT_EQ(GuidOf(one), ProductGuids::kDisplayAttributeConverted) << "the clone starts where the original was";
  one->Release();
  EXPECT_EQ(all->Skip(5), S_FALSE) << "short of five";
  EXPECT_EQ(all->Next(1, &one, nullptr), S_FALSE);
  EXPECT_EQ(all->Reset(), S_OK);
  EXPECT_EQ(all->Skip(2), S_OK);
  EXPECT_EQ(all->Skip(0), S_OK);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(all.As(&unknown), S_OK);
  ComPtr<ITfDisplayAttributeInfo> wrong;
  EXPECT_EQ(all.As(&wrong), E_NOINTERFACE);
}

TEST_F(DisplayAttributeTest, OverridesLiveInTheUsersRegistry) {
  // Wine's real HKCU: what one object writes, a fresh one reads.
  environment_.registry = nullptr;
  ComPtr<ITfDisplayAttributeInfo> converted = Info(ProductGuids::kDisplayAttributeConverted);
  TF_DISPLAYATTRIBUTE bold{};
  bold.lsStyle = TF_LS_SOLID;
  bold.fBoldLine = TRUE;
  bold.crLine.type = TF_CT_COLORREF;
  bold.crLine.cr = RGB(0, 0, 255);
  bold.bAttr = TF_ATTR_TARGET_CONVERTED;
  ASSERT_EQ(converted->SetAttributeInfo(&bold), S_OK);
  uint8_t raw[64] = {};
  uint32_t size = 0;
  ASSERT_TRUE(DefaultOs().ReadUserBinary(kDisplayAttributeKey, L"DisplayAttributeConverted", raw, sizeof raw, &size));
  EXPECT_EQ(size, 36u);
  ComPtr<ITfDisplayAttributeInfo> fresh = Info(ProductGuids::kDisplayAttributeConverted);
  TF_DISPLAYATTRIBUTE look{};
  ASSERT_EQ(fresh->GetAttributeInfo(&look), S_OK);
  EXPECT_TRUE(look.fBoldLine);
  EXPECT_EQ(look.crLine.cr, RGB(0, 0, 255));
  ASSERT_EQ(fresh->Reset(), S_OK);
  ASSERT_EQ(converted->GetAttributeInfo(&look), S_OK);
  EXPECT_FALSE(look.fBoldLine);
}

TEST_F(DisplayAttributeTest, ActivationRegistersTheAtomsTheCompositionCarries) {
  MakeService();
  Start(ImeBits::kTsfEmbedCode);
  EXPECT_NE(Service()->inputAtom(), static_cast<TfGuidAtom>(TF_INVALID_GUIDATOM));
  EXPECT_NE(Service()->convertedAtom(), Service()->inputAtom());
  Type(L"wq");
  ASSERT_EQ(context_->attributes().size(), 1u);
  EXPECT_EQ(context_->attributes()[0].atom, static_cast<LONG>(Service()->inputAtom()));
  Press(VK_ESCAPE);
}

}  // namespace
}  // namespace zn::test
