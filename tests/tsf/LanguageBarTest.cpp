// Language-bar buttons on the fake host: which buttons Windows 7 and
// Windows 8 get, their icons for each state, the sink rules, clicks and
// menus (switches run in an edit session, so a typed code never stays
// behind), removal, and the input-state tips of modern-UI contexts.
#include "frontend/tsf/LangBarItem.h"
#include "frontend/tsf/ProductGuids.h"
#include "tests/tsf/UiTestSupport.h"

namespace zn::test {
namespace {

using fakehost::FakeCom;

class RecordingSink : public FakeCom<ITfLangBarItemSink> {
 public:
  HRESULT STDMETHODCALLTYPE OnUpdate(DWORD flags) override {
    updates.push_back(flags);
    return S_OK;
  }
  std::vector<DWORD> updates;

 private:
  ~RecordingSink() override = default;
};

class RecordingMenu : public FakeCom<ITfMenu> {
 public:
  HRESULT STDMETHODCALLTYPE AddMenuItem(UINT id, DWORD flags, HBITMAP, HBITMAP, const WCHAR* text, ULONG units,
                                        ITfMenu** sub) override {
    if (sub) *sub = nullptr;
    items.push_back({id, flags, std::wstring(text, units)});
    return S_OK;
  }
  struct Item {
    UINT id;
    DWORD flags;
    std::wstring text;
  };
  std::vector<Item> items;

 private:
  ~RecordingMenu() override = default;
};

class LanguageBarTest : public UiTest {
 protected:
  // Activates as Windows major.minor would, with the settings words given.
  void StartOn(DWORD major, DWORD minor, uint32_t options = 0, uint32_t buttons = 0) {
    TestContexts::windowsMajor = major;
    TestContexts::windowsMinor = minor;
    // The host holds a service through its sinks: a new one replaces it
    // only after it let go.
    if (service_) {
      *Ime()->imeBlock = savedIme_;
      service_->Deactivate();
    }
    MakeService();
    Start(options);
    Ime()->imeBlock->interfaceFlags = buttons;
    // The buttons are made again with the settings just written.
    Service()->InitLanguageBar();
  }
  std::vector<TF_LANGBARITEMINFO> Items() {
    std::vector<TF_LANGBARITEMINFO> infos;
    for (const auto& item : host_->langBar()->items) {
      TF_LANGBARITEMINFO info{};
      EXPECT_EQ(item->GetInfo(&info), S_OK);
      infos.push_back(info);
    }
    return infos;
  }
  ComPtr<ITfLangBarItemButton> Button(LangBarButton which) {
    ComPtr<ITfLangBarItemButton> button;
    if (CLangBarItem* item = Service()->langBarItem(which)) item->QueryInterface(IID_PPV_ARGS(&button));
    return button;
  }
  HRESULT Click(LangBarButton which, TfLBIClick click = TF_LBI_CLK_LEFT) {
    return Button(which)->OnClick(click, POINT{0, 0}, nullptr);
  }
  int Icon(LangBarButton which) { return Service()->LangBarIcon(which); }
  uint32_t State() { return Ime()->stateFlags; }
  void TapShift() {
    Hold({VK_SHIFT, VK_LSHIFT});
    host_->PressKey(VK_SHIFT);
    clock_.now += 100;
    ReleaseAll();
    host_->ReleaseKey(VK_SHIFT);
  }
  void SetCapsLock(bool on) {
    uint8_t keyboard[256] = {};
    GetKeyboardState(keyboard);
    keyboard[VK_CAPITAL] = on ? 1 : 0;
    SetKeyboardState(keyboard);
  }
};

TEST_F(LanguageBarTest, Windows7ShowsTheButtonsWord140AsksForInTheLanguageBarMode) {
  // Status bar mode: the input-mode button alone, with its menu.
  StartOn(6, 1, 0, 0x3C0);
  std::vector<TF_LANGBARITEMINFO> items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].guidItem, ProductGuids::kLangBarOpenClose);
  EXPECT_EQ(items[0].dwStyle, 0x30002u);
  EXPECT_EQ(items[0].ulSort, 1u);
  EXPECT_EQ(std::wstring(items[0].szDescription), L"中文/英文");
  GUID product{};
  CopyMemory(&product, Ime()->softBlock->productGuid, sizeof product);
  EXPECT_EQ(items[0].clsidService, product);

  // Language-bar mode: the four others in their order, as word 140 chooses.
  Ime()->imeBlock->optionFlags |= ImeBits::kStatusInLanguageBar;
  windows_.calls.clear();
  Service()->InitLanguageBar();
  items = Items();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[1].guidItem, ProductGuids::kLangBarWidth);
  EXPECT_EQ(items[2].guidItem, ProductGuids::kLangBarChineseEnglish);
  EXPECT_EQ(items[3].guidItem, ProductGuids::kLangBarSoftKeyboard);
  EXPECT_EQ(items[4].guidItem, ProductGuids::kLangBarOptions);
  EXPECT_EQ(items[0].dwStyle, 0x10002u) << "word 140 bit 0x200 with the language-bar mode: no menu";
  EXPECT_EQ(items[1].dwStyle, 0x10002u);
  EXPECT_EQ(items[3].dwStyle, 0x20002u);
  EXPECT_EQ(std::wstring(items[1].szDescription), L"全/半角(Shift+Space)");
  EXPECT_EQ(std::wstring(items[2].szDescription), L"中/英文符号(Ctrl+.)");
  EXPECT_EQ(Count(L"ShowStatusWindow"), 0) << "the state shows in the language bar";
  EXPECT_GE(Count(L"HideStatusWindow"), 1);

  Ime()->imeBlock->interfaceFlags = 0x80;
  Service()->InitLanguageBar();
  items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].guidItem, ProductGuids::kLangBarChineseEnglish);
  EXPECT_EQ(items[0].dwStyle, 0x30002u);
  EXPECT_GE(host_->langBar()->removed, 6) << "each rebuild removes the old buttons";
}

TEST_F(LanguageBarTest, Windows8HasTheInputModeButtonOnly) {
  StartOn(6, 2, ImeBits::kStatusInLanguageBar, 0x3C0);
  std::vector<TF_LANGBARITEMINFO> items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].guidItem, GUID_LBI_INPUTMODE);
  EXPECT_EQ(items[0].dwStyle, 0x10002u);
  StartOn(10, 0, 0, 0);
  items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].guidItem, GUID_LBI_INPUTMODE);
}

TEST_F(LanguageBarTest, IconsFollowTheState) {
  namespace I = LangBarIcons;
  using B = LangBarButton;
  // The service's own reading of the state, and a real icon for each.
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  SetCapsLock(false);
  EXPECT_EQ(Icon(B::kOpenClose), I::kChinese);
  SetCapsLock(true);
  EXPECT_EQ(Icon(B::kOpenClose), I::kCapsLock);
  SetCapsLock(false);
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, 0);
  EXPECT_EQ(Icon(B::kOpenClose), I::kClosed);
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, 1);
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 1);
  EXPECT_EQ(Icon(B::kOpenClose), I::kDisabled);
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 0);
  Service()->ExecuteTextServiceCommand(8193, 0, 0);
  Service()->ExecuteTextServiceCommand(8195, 0, 0);
  EXPECT_EQ(Icon(B::kWidth), I::kFullWidth);
  EXPECT_EQ(Icon(B::kPunctuation), I::kEnglishPunctuation);
  Service()->ExecuteTextServiceCommand(8194, 0, 0);
  Service()->ExecuteTextServiceCommand(8196, 0, 0);
  EXPECT_EQ(Icon(B::kWidth), I::kHalfWidth);
  EXPECT_EQ(Icon(B::kPunctuation), I::kChinesePunctuation);
  for (B b : {B::kOpenClose, B::kWidth, B::kPunctuation, B::kSoftKeyboard, B::kOptions}) {
    HICON icon = nullptr;
    ASSERT_EQ(Button(b)->GetIcon(&icon), S_OK) << static_cast<int>(b);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON)) << "the small size for the bar";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  EXPECT_EQ(Button(B::kOptions)->GetIcon(nullptr), E_INVALIDARG);
}

TEST_F(LanguageBarTest, ASourceTakesOneItemSinkWithItsOwnCookie) {
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  ComPtr<ITfSource> source;
  ASSERT_EQ(Button(LangBarButton::kWidth).As(&source), S_OK);
  auto sink = fakehost::Make<RecordingSink>();
  DWORD cookie = 0;
  EXPECT_EQ(source->AdviseSink(IID_ITfTextEditSink, sink.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  // An object that is no item sink.
  auto menu = fakehost::Make<RecordingMenu>();
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, menu.Get(), &cookie), E_NOINTERFACE);
  ASSERT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, sink.Get(), &cookie), S_OK);
  EXPECT_EQ(cookie, 0xFAB0FA4u);
  DWORD second = 0;
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, sink.Get(), &second), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(source->UnadviseSink(cookie + 1), CONNECT_E_NOCONNECTION);

  // The sink hears of every change the button shows.
  Hold({VK_SHIFT});
  host_->PressKey(VK_SPACE, L' ');
  ReleaseAll();
  host_->ReleaseKey(VK_SPACE);
  EXPECT_FALSE(sink->updates.empty()) << "Shift+Space changed the width";
  EXPECT_EQ(sink->updates.back(), static_cast<DWORD>(TF_LBI_ICON | TF_LBI_STATUS));
  EXPECT_EQ(source->UnadviseSink(cookie), S_OK);
  EXPECT_EQ(source->UnadviseSink(cookie), CONNECT_E_NOCONNECTION);

  // Identity, texts and status.
  ComPtr<ITfLangBarItemButton> button = Button(LangBarButton::kPunctuation);
  ComPtr<ITfLangBarItem> item;
  ASSERT_EQ(button.As(&item), S_OK);
  EXPECT_TRUE(SameObject(item.Get(), button.Get()));
  EXPECT_TRUE(SameObject(source.Get(), Button(LangBarButton::kWidth).Get()));
  EXPECT_FALSE(SameObject(source.Get(), button.Get())) << "two buttons, two objects";
  BSTR text = nullptr;
  ASSERT_EQ(button->GetTooltipString(&text), S_OK);
  EXPECT_EQ(std::wstring(text), L"中/英文符号(Ctrl+.)");
  SysFreeString(text);
  ASSERT_EQ(button->GetText(&text), S_OK);
  SysFreeString(text);
  DWORD status = 7;
  EXPECT_EQ(button->GetStatus(&status), S_OK);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(button->Show(TRUE), E_NOTIMPL);
}

TEST_F(LanguageBarTest, ClicksSwitchModesInsideAnEditSession) {
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  SetCapsLock(false);
  context_->AppSetText(L"ab", 2);
  Type(L"wq");
  ASSERT_EQ(Marked(), L"ab[| ]");
  // The input-mode button: the typed code goes, the input closes.
  EXPECT_EQ(Click(LangBarButton::kOpenClose), S_OK);
  EXPECT_EQ(Marked(), L"ab|") << "no placeholder left in the document";
  EXPECT_EQ(Ime()->codeLength, 0);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 0);
  EXPECT_EQ(Icon(LangBarButton::kOpenClose), LangBarIcons::kClosed);
  Click(LangBarButton::kOpenClose);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1);
  // With the option to commit the code on a switch, the code goes in as typed.
  Ime()->imeBlock->optionFlags |= ImeBits::kCommitOnSwitch;
  Type(L"wq");
  Click(LangBarButton::kOpenClose);
  EXPECT_EQ(Marked(), L"abwq|");
  Click(LangBarButton::kOpenClose);
  Ime()->imeBlock->optionFlags &= ~ImeBits::kCommitOnSwitch;

  // Caps Lock on: the left click is left to the Caps Lock state.
  SetCapsLock(true);
  Click(LangBarButton::kOpenClose);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1);
  SetCapsLock(false);

  const LONG mode = Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION);
  Click(LangBarButton::kWidth, TF_LBI_CLK_RIGHT);
  EXPECT_TRUE(State() & kStateFullWidth) << "any click";
  EXPECT_TRUE(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION) & TF_CONVERSIONMODE_FULLSHAPE);
  Click(LangBarButton::kWidth);
  EXPECT_FALSE(State() & kStateFullWidth);
  const bool english = (State() & kStateEnglishPunct) != 0;
  Click(LangBarButton::kPunctuation, TF_LBI_CLK_RIGHT);
  EXPECT_EQ((State() & kStateEnglishPunct) != 0, english) << "only the left click";
  Click(LangBarButton::kPunctuation);
  EXPECT_NE((State() & kStateEnglishPunct) != 0, english);
  Click(LangBarButton::kPunctuation);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION), mode);
  const std::vector<std::wstring> tips = Tips();
  ASSERT_GE(tips.size(), 4u);
  EXPECT_EQ(tips[tips.size() - 4], L"全");
  EXPECT_EQ(tips[tips.size() - 3], L"半");

  // A disabled document takes no clicks.
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 1);
  Click(LangBarButton::kWidth);
  EXPECT_FALSE(State() & kStateFullWidth);
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 0);
}

TEST_F(LanguageBarTest, TheSoftKeyboardMenuClosesAndNeverOpensByClosing) {
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  ComPtr<ITfLangBarItemButton> button = Button(LangBarButton::kSoftKeyboard);
  auto menu = fakehost::Make<RecordingMenu>();
  ASSERT_EQ(button->InitMenu(menu.Get()), S_OK);
  ASSERT_EQ(menu->items.size(), 15u);
  EXPECT_EQ(menu->items[0].id, 21u);
  EXPECT_EQ(menu->items[0].text, L"&1  PC 键盘");
  EXPECT_EQ(menu->items[9].id, 210u);
  EXPECT_EQ(menu->items[12].text, L"&13  特殊符号");
  EXPECT_EQ(menu->items[13].flags, static_cast<DWORD>(TF_LBMENUF_SEPARATOR));
  EXPECT_EQ(menu->items[14].id, 214u);
  EXPECT_EQ(menu->items[14].text, L"&C 关闭软键盘    ");
  for (const auto& item : menu->items) EXPECT_FALSE(item.flags & TF_LBMENUF_CHECKED) << "no layout is on";

  ASSERT_EQ(button->OnMenuSelect(23), S_OK);
  EXPECT_TRUE(State() & kStateSoftKeyboard);
  EXPECT_EQ(Ime()->softKeyboardLayout, 3u);
  EXPECT_EQ(Count(L"ShowSoftKeyboard"), 1);
  auto again = fakehost::Make<RecordingMenu>();
  button->InitMenu(again.Get());
  EXPECT_TRUE(again->items[2].flags & TF_LBMENUF_CHECKED) << "the current layout is checked";
  button->OnMenuSelect(211);
  EXPECT_EQ(Ime()->softKeyboardLayout, 11u);

  button->OnMenuSelect(214);
  EXPECT_FALSE(State() & kStateSoftKeyboard);
  EXPECT_EQ(Count(L"HideSoftKeyboard"), 1);
  button->OnMenuSelect(214);
  EXPECT_FALSE(State() & kStateSoftKeyboard) << "closing a closed keyboard leaves it closed";
  button->OnMenuSelect(999);
  EXPECT_FALSE(State() & kStateSoftKeyboard);
}

TEST_F(LanguageBarTest, TheMenusAreTheFunctionMenu) {
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  auto menu = fakehost::Make<RecordingMenu>();
  windows_.calls.clear();
  EXPECT_EQ(Button(LangBarButton::kOptions)->InitMenu(menu.Get()), E_FAIL) << "the bar adds no menu of its own";
  EXPECT_TRUE(menu->items.empty());
  // No focus window: an empty tip out of sight owns the menu.
  std::vector<std::wstring> names = windows_.Names();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[names.size() - 3], L"RequestTipsWindow");
  EXPECT_EQ(windows_.calls[names.size() - 3].detail, L"-1000000,-1000000,-1,");
  EXPECT_EQ(names[names.size() - 2], L"TrackMenu");
  EXPECT_EQ(names.back(), L"DestroyTipsWindow");
  EXPECT_EQ(Button(LangBarButton::kOpenClose)->InitMenu(menu.Get()), E_FAIL);
  EXPECT_EQ(Count(L"TrackMenu"), 2);
  // Windows 7: a right click on the input-mode button is the bar's business.
  Click(LangBarButton::kOpenClose, TF_LBI_CLK_RIGHT);
  EXPECT_EQ(Count(L"TrackMenu"), 2);
  StartOn(6, 2);
  windows_.calls.clear();
  Click(LangBarButton::kOpenClose, TF_LBI_CLK_RIGHT);
  EXPECT_EQ(Count(L"TrackMenu"), 1) << "Windows 8: the right click opens the menu";
}

TEST_F(LanguageBarTest, ButtonsGoWithTheActivationAndAHeldButtonDoesNothing) {
  StartOn(6, 1, ImeBits::kStatusInLanguageBar, 0x3C0);
  ComPtr<ITfLangBarItemButton> held = Button(LangBarButton::kWidth);
  *Ime()->imeBlock = savedIme_;
  saved_ = false;
  service_->Deactivate();
  EXPECT_TRUE(host_->langBar()->items.empty());
  EXPECT_EQ(held->OnClick(TF_LBI_CLK_LEFT, POINT{0, 0}, nullptr), S_OK);
  HICON icon = nullptr;
  EXPECT_EQ(held->GetIcon(&icon), E_FAIL);
  EXPECT_EQ(icon, nullptr);
  held.Reset();

  // A language bar that refuses the buttons does not stop the service.
  host_->langBar()->refuseAdd = true;
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_TRUE(host_->langBar()->items.empty());
  EXPECT_EQ(Service()->langBarItem(LangBarButton::kOpenClose), nullptr);
}

TEST_F(LanguageBarTest, ModernUiContextsShowTheNewInputStateAtTheCaret) {
  TestContexts::windowsMajor = 10;
  MakeService();
  Start(0, TF_TMF_IMMERSIVEMODE);
  EXPECT_EQ(Tips(), std::vector<std::wstring>{L"中"}) << "the state at activation";
  // Left Shift alone switches to English: 英 at the caret.
  TapShift();
  std::vector<std::wstring> tips = Tips();
  ASSERT_EQ(tips.size(), 2u);
  EXPECT_EQ(tips[1], L"英");
  Service()->RefreshStatusDisplay();
  EXPECT_EQ(Tips().size(), 2u) << "the same state again: no tip";
  TapShift();
  EXPECT_EQ(Tips().back(), L"中");
  Service()->ExecuteTextServiceCommand(260, 0, 0);
  EXPECT_EQ(Tips().back(), L"关");
  Service()->LangBarClick(LangBarButton::kOpenClose, TF_LBI_CLK_LEFT);
  EXPECT_EQ(Tips().back(), L"中");
  EXPECT_EQ(Tips().size(), 5u);

  // Windows 7 shows no state tips.
  TestContexts::windowsMajor = 6;
  TestContexts::windowsMinor = 1;
  windows_.calls.clear();
  Start(0, TF_TMF_IMMERSIVEMODE);
  EXPECT_TRUE(Tips().empty());
}

}  // namespace
}  // namespace zn::test
