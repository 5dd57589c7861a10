// The candidate list of the open composition: the UI element the framework
// learns of, the text extent the service measures, and where the service's
// own candidate window goes.
#include <windows.h>
#include <imm.h>

#include "engine/ImeOptionBits.h"
#include "frontend/tsf/CandidateListUIElement.h"
#include "frontend/tsf/EditSessions.h"
#include "frontend/tsf/TextService.h"
#include "frontend/tsf/TsfPlacement.h"

namespace {

// The candidate lists named in the IMM32 notifications: list 0.
constexpr LPARAM kFirstList = 1;

// Screen coordinates to client coordinates of window (none: unchanged).
RECT ToClient(HWND window, const RECT& screen) {
  if (!window) return screen;
  POINT a{screen.left, screen.top};
  POINT b{screen.right, screen.bottom};
  if (!ScreenToClient(window, &a) || !ScreenToClient(window, &b)) return screen;
  return RECT{a.x, a.y, b.x, b.y};
}

}  // namespace

void CTextService::NotifyImmCandidates(WPARAM notification) {
  if (environment_.notifyImm && context_ && context_->focusWindow)
    environment_.notifyImm(context_->focusWindow, notification, kFirstList);
}

void CTextService::UpdateCandidateList(TfEditCookie ec, ITfContext* context) {
  if (!context_ || !context) return;
  const int slot = FindSlot(context);
  if (slot < 0 || !slots_[slot].composition) return;
  ComPtr<ITfRange> range;
  if (FAILED(slots_[slot].composition->GetRange(&range)) || !range) return;
  if (!candidateList_) {
    PlaceCandidateWindow();
    return;
  }
  // A list begun for another document ends first.
  if (candidateList_->begun() && candidateList_->context() != context) EndCandidateList();
  if (!candidateList_->begun()) {
    if (SUCCEEDED(candidateList_->Begin(threadMgr_.Get(), context, range.Get())) && candidateList_->ownWindow()) {
      MeasureAtBegin(ec, context, range.Get());
      NotifyImmCandidates(IMN_OPENCANDIDATE);
      NotifyImmCandidates(IMN_CHANGECANDIDATE);
    }
  } else {
    candidateList_->Update(threadMgr_.Get(), context);
  }
  // Without the element (a failed begin) the service still shows its window,
  // at the caret.
  if (!candidateList_->begun() || candidateList_->ownWindow()) {
    PlaceCandidateWindow();
  } else if (environment_.windows) {
    environment_.windows->HideCandidateWindow(context_);
  }
}

void CTextService::EndCandidateList() {
  const bool begun = candidateList_ && candidateList_->begun();
  if ((!begun || candidateList_->ownWindow()) && context_ && environment_.windows)
    environment_.windows->HideCandidateWindow(context_);
  if (!begun) return;
  if (candidateList_->range()) NotifyImmCandidates(IMN_CLOSECANDIDATE);
  candidateList_->TearDown(threadMgr_.Get());
}

void CTextService::MeasureAtBegin(TfEditCookie ec, ITfContext* context, ITfRange* range) {
  context_->focusWindow = nullptr;
  textExtent_.top = textExtent_.bottom = 0;
  ComPtr<ITfContextView> view;
  if (FAILED(context->GetActiveView(&view)) || !view) return;
  HWND window = nullptr;
  if (FAILED(view->GetWnd(&window))) window = nullptr;
  context_->focusWindow = window;
  // Message boxes of the key functions belong to the document's window.
  if (window) {
    context_->hostWindow = window;
    GetWindowRect(window, &focusWindowRect_);
  }
  RECT extent{};
  BOOL clipped = FALSE;
  if (SUCCEEDED(view->GetTextExt(ec, range, &extent, &clipped))) textExtent_ = ToClient(window, extent);
}

void CTextService::RemeasureTextExtent(ITfContext* context, ITfContextView* view) {
  if (!context || !view || !HasComposition(context) || !candidateList_ || !candidateList_->range()) return;
  ComPtr<ITfRange> range = candidateList_->range();
  HRESULT hr = RequestSession(context, clientId_, new TextExtentEditSession(this, context, view, range.Get()),
                              TF_ES_SYNC | TF_ES_READ);
  // Inside the host's own lock the measuring waits until the lock ends.
  if (hr == TF_E_SYNCHRONOUS || hr == TF_E_LOCKED)
    RequestSession(context, clientId_, new TextExtentEditSession(this, context, view, range.Get()), TF_ES_READ);
}

void CTextService::MeasureTextExtent(TfEditCookie ec, ITfContextView* view, ITfRange* range) {
  if (!context_ || !view || !range) return;
  RECT screen{};
  BOOL clipped = FALSE;
  // A host that cannot measure now keeps the window where it is.
  if (FAILED(view->GetTextExt(ec, range, &screen, &clipped))) return;
  HWND window = context_->focusWindow;
  const RECT extent = ToClient(window, screen);
  RECT windowRect{};
  if (window) GetWindowRect(window, &windowRect);
  const ExtentChange change = DecideExtentChange(textExtent_, focusWindowRect_, extent, windowRect);
  if (!change.place) return;
  if (change.storeWindow) focusWindowRect_ = windowRect;
  if (change.storeExtent) textExtent_ = extent;
  PlaceCandidateWindow();
}

void CTextService::PlaceCandidateWindow() {
  if (!context_ || !environment_.windows) return;
  CandidateAnchorInput in{};
  in.extent = textExtent_;
  in.immersive = immersive();
  HWND window = context_->focusWindow;
  in.hasWindow = window && IsWindow(window);
  if (in.hasWindow) {
    GetClientRect(window, &in.client);
    if (!GetCaretPos(&in.caret)) in.caret = POINT{0, 0};
    ClientToScreen(window, &in.clientOrigin);
    in.windowTop = focusWindowRect_.top;
  }
  const CandidateAnchor anchor = PlaceCandidateAnchor(in);
  context_->caretPosition = anchor.point;
  context_->charCell = anchor.cell;
  // The window lays itself out afresh at its new place.
  context_->candidateWindow.layoutState[0] = 0;
  context_->candidateWindow.layoutState[1] = 0;
  environment_.windows->ShowCandidateWindow(context_);
}
