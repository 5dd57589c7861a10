// Test doubles of the skinned windows: pictures, an input context with its
// settings blocks and skin, a fixed-width text measurer, fake monitors, a
// scripted menu tracker and a recording command target.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/CandidateLayout.h"
#include "ui/windows/MenuTracker.h"
#include "ui/windows/ScreenInfo.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"
#include "ui/windows/WindowCommands.h"

namespace zn::test {

struct ImageDeleter {
  void operator()(SkinImage* image) const { FreeSkinImage(image); }
};
using ImagePtr = std::unique_ptr<SkinImage, ImageDeleter>;

// A width x height picture of one straight BGRA colour.
inline SkinImage* NewSolidImage(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = r;  // MakeSkinImage takes RGBA rows
    pixels[i + 1] = g;
    pixels[i + 2] = b;
    pixels[i + 3] = a;
  }
  std::vector<const uint8_t*> rows(h);
  for (int y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * w * 4;
  return MakeSkinImage(w, h, 6, rows.data());
}
inline ImagePtr SolidImage(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  return ImagePtr(NewSolidImage(w, h, b, g, r, a));
}

// Every unit is 10 x 16 in the candidate font and 8 x 14 in the code font.
class FixedMeasurer : public TextMeasurer {
 public:
  SIZE Measure(TextFont font, const wchar_t*, int units) override {
    return font == TextFont::kCode ? SIZE{8 * units, 14} : SIZE{10 * units, 16};
  }
};

struct FakeMonitor {
  RECT bounds;
  RECT work;
};

class FakeScreen : public ScreenInfo {
 public:
  FakeScreen(std::initializer_list<FakeMonitor> monitors) : monitors_(monitors) {}
  RECT WorkAreaNearest(POINT p) const override {
    RECT work;
    if (WorkAreaHolding(p, &work)) return work;
    long best = -1;
    for (const FakeMonitor& m : monitors_) {
      const long dx = p.x < m.bounds.left ? m.bounds.left - p.x
                      : p.x >= m.bounds.right ? p.x - m.bounds.right + 1 : 0;
      const long dy = p.y < m.bounds.top ? m.bounds.top - p.y
                      : p.y >= m.bounds.bottom ? p.y - m.bounds.bottom + 1 : 0;
      if (best < 0 || dx + dy < best) {
        best = dx + dy;
        work = m.work;
      }
    }
    return work;
  }
  bool WorkAreaHolding(POINT p, RECT* work) const override {
    for (const FakeMonitor& m : monitors_) {
      if (PtInRect(&m.bounds, p)) {
        *work = m.work;
        return true;
      }
    }
    return false;
  }

 private:
  std::vector<FakeMonitor> monitors_;
};

// One 1920 x 1080 monitor with a 40-pixel task bar at the bottom.
inline FakeScreen SingleScreen() {
  return FakeScreen{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
}

// An input context with real settings blocks and a SkinData whose window
// pictures are solid 60 x 30 panels (stretch ranges 10..20 and 10..15).
class TestContext {
 public:
  TestContext() {
    context_ = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
    context_->imeBlock = &ime_;
    context_->skinBlock = &skinBlock_;
    context_->softBlock = soft_.get();
    context_->dmeBlock = dme_.get();
    context_->skin = static_cast<SkinData*>(GlobalAlloc(GPTR, sizeof(SkinData)));
    context_->pageLast = -1;
    context_->inputContext = reinterpret_cast<void*>(0x1234);  // an IMM32 context
    skinBlock_.appearanceFlags = 0x1 | 0x2 | 0x4 | 0x8;
    SetImePageSize(&ime_, 5);
    SkinValues& v = context_->skin->values;
    for (CandidateLayout& l : v.layouts) {
      l = CandidateLayout{};
      const SkinPoint none{-1, -1};
      l.previousPage = l.nextPage = l.width = l.punctuation = l.extension1 = l.extension2 = none;
      l.codeOrigin = {5, 3};
      l.candidateOrigin = {5, 20};
      l.indexWordGap = 2;
      l.wordHintGap = 3;
      l.candidateGap = 7;
      l.lineGap = 4;
      l.stretchColumns = {10, 20};
      l.stretchRows = {10, 15};
      l.rightMargin = 6;
      l.bottomMargin = 5;
    }
    v.text.maxCodeShown = 40;
    v.text.maxCandidateShown = 24;
    v.text.candidateFont.colour = 0x111111;
    v.text.firstColour = 0x0000FF;
    v.text.firstBackground = 0xFFEEDD;
    v.text.indexColour = 0x777777;
    v.text.hintColour = 0x888888;
    v.text.hoverColour = 0xFFFFFFFF;  // unset
    v.text.hoverBackground = 0xABCDEF;
    wcscpy(v.info.name, L"test");
    wcscpy(v.loadedPath, L"C:\\skins\\test.col");
    for (int i = kPictureCandHB; i <= kPictureCandQRShu; ++i) {
      context_->skin->images.images[i] = NewSolidImage(60, 30, 200, 210, 220, 255);
    }
  }
  ~TestContext() {
    SkinWindowArea* area = reinterpret_cast<SkinWindowArea*>(context_->skin->windowArea);
    ReleaseCandidateBackground(&area->candidate);
    DeleteCandidateFonts(&area->candidate.fonts);
    ReleaseSurface(&area->candidate.surface);
    ReleaseSurface(&area->status.surface);
    FreeSkin(&context_->skin->images);
    GlobalFree(context_->skin);
    GlobalFree(context_);
  }
  TestContext(const TestContext&) = delete;
  TestContext& operator=(const TestContext&) = delete;

  ImeContext* get() { return context_; }
  ImeContext* operator->() { return context_; }
  ImeConfigBlock& ime() { return ime_; }
  SkinConfigBlock& skinBlock() { return skinBlock_; }
  SoftConfigBlock& soft() { return *soft_; }
  SkinValues& values() { return context_->skin->values; }
  SkinImageSet& images() { return context_->skin->images; }
  CandidateWindowState& candidate() {
    return reinterpret_cast<SkinWindowArea*>(context_->skin->windowArea)->candidate;
  }
  StatusWindowState& status() {
    return reinterpret_cast<SkinWindowArea*>(context_->skin->windowArea)->status;
  }

  // Replaces a picture slot (owned by the skin afterwards).
  void SetImage(int slot, SkinImage* image) {
    FreeSkinImage(context_->skin->images.images[slot]);
    context_->skin->images.images[slot] = image;
  }
  void SetComposition(const std::wstring& text) {
    wcscpy(context_->composition, text.c_str());
    context_->compositionLength = static_cast<int32_t>(text.size());
  }
  // The page: one candidate per word, all kind 0x40 (plain text) unless set.
  void SetPage(const std::vector<std::wstring>& words, int candidateCount = -1) {
    context_->slotsFilled = static_cast<int32_t>(words.size());
    context_->candidateCount = candidateCount < 0 ? static_cast<int32_t>(words.size()) : candidateCount;
    context_->pageFirst = 0;
    context_->pageLast = static_cast<int32_t>(words.size()) - 1;
    for (size_t k = 0; k < words.size(); ++k) {
      PageSlot& slot = context_->pageSlots[k];
      wcsncpy(slot.text, words[k].c_str(), 129);
      slot.length = static_cast<int32_t>(words[k].size());
      context_->slotListIndex[k] = static_cast<int32_t>(k);
      context_->candidates[k].kind = 0x40;
      context_->candidates[k].entry = reinterpret_cast<const uint8_t*>(slot.text);
    }
  }
  void SetCategoryName(int category, const wchar_t* name) {
    wcsncpy(soft_->categoryNames[category], name, 9);
  }

 private:
  ImeContext* context_;
  ImeConfigBlock ime_{};
  SkinConfigBlock skinBlock_{};
  std::unique_ptr<SoftConfigBlock> soft_ = std::make_unique<SoftConfigBlock>();
  std::unique_ptr<DmeConfigBlock> dme_ = std::make_unique<DmeConfigBlock>();
};

struct RecordedCommand {
  uint32_t code;
  uintptr_t wParam;
  intptr_t lParam;
  bool operator==(const RecordedCommand&) const = default;
};

class RecordingTarget : public WindowCommandTarget {
 public:
  int ExecuteWindowCommand(ImeContext*, uint32_t code, uintptr_t wParam, intptr_t lParam) override {
    commands.push_back({code, wParam, lParam});
    return 1;
  }
  std::vector<RecordedCommand> commands;
};

// Registers itself as the target of both front ends for one test.
class ScopedTargets {
 public:
  ScopedTargets() {
    SetWindowCommandTarget(FrontEnd::kImm, &imm);
    SetWindowCommandTarget(FrontEnd::kTsf, &tsf);
  }
  ~ScopedTargets() {
    SetWindowCommandTarget(FrontEnd::kImm, nullptr);
    SetWindowCommandTarget(FrontEnd::kTsf, nullptr);
  }
  RecordingTarget imm;
  RecordingTarget tsf;
};

// One item of a tracked menu, submenus flattened with their path.
struct MenuEntry {
  std::wstring path;  // "输入方案(&P)/主+辅"
  UINT id;
  bool checked;
  bool grayed;
  bool separator;
};

inline void Flatten(HMENU menu, const std::wstring& prefix, std::vector<MenuEntry>* out) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 127;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    const std::wstring path = prefix.empty() ? text : prefix + L"/" + text;
    out->push_back({path, info.wID, (info.fState & MFS_CHECKED) != 0,
                    (info.fState & MFS_GRAYED) != 0, (info.fType & MFT_SEPARATOR) != 0});
    if (info.hSubMenu) Flatten(info.hSubMenu, path, out);
  }
}

// Records the menu it is shown and answers with a scripted choice.
class ScriptedTracker : public MenuTracker {
 public:
  explicit ScriptedTracker(uint32_t choice = 0) : choice_(choice) { SetMenuTracker(this); }
  ~ScriptedTracker() override { SetMenuTracker(nullptr); }
  uint32_t Track(HMENU popup, HWND) override {
    shown.clear();
    Flatten(popup, L"", &shown);
    ++tracked;
    return choice_;
  }
  const MenuEntry* Find(const std::wstring& path) const {
    for (const MenuEntry& e : shown) {
      if (e.path == path) return &e;
    }
    return nullptr;
  }
  const MenuEntry* FindId(UINT id) const {
    for (const MenuEntry& e : shown) {
      if (e.id == id && !e.separator) return &e;
    }
    return nullptr;
  }
  std::vector<MenuEntry> shown;
  int tracked = 0;

 private:
  uint32_t choice_;
};

inline LRESULT CALLBACK TestUiProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// The window classes of the test program, registered once for all tests.
inline bool RegisterTestClasses() {
  static const int registered = RegisterSkinWindowClasses(GetModuleHandleW(nullptr), TestUiProc);
  return registered == 1;
}

}  // namespace zn::test
