// The front ends' one door to the skinned windows of an input context: the
// candidate window, the status bar, the soft keyboard, the tips and
// dictionary windows and the menus. The real implementation lives over ui/;
// tests use a recording fake. Every call takes the context whose windows
// are meant; windows are created when first needed.
#pragma once

#include <windows.h>

struct ImeContext;

enum class ImeMenu {
  kFunctions,       // settings, schemes, output options, skins, help
  kSoftKeyboard,    // the thirteen layouts and "close"
  kInputState,      // opened by the tips window
  kCandidateEntry,  // commands on one candidate (slot given)
};

class ImeWindows {
 public:
  virtual ~ImeWindows() = default;

  // Lays out the context's composition and candidate page and shows the
  // window at the context's caret position (caretPosition, charCell);
  // created on the first call.
  virtual void ShowCandidateWindow(ImeContext* context) = 0;
  // Lays the window out again where it is (skin or option change); nothing
  // when it does not exist.
  virtual void UpdateCandidateWindow(ImeContext* context) = 0;
  virtual void HideCandidateWindow(ImeContext* context) = 0;
  // Moves a shown window to the context's caret position without laying it
  // out again (the host moved its caret); nothing when it is not shown.
  virtual void MoveCandidateWindow(ImeContext*) {}
  virtual void DestroyCandidateWindow(ImeContext* context) = 0;

  // Creates the status bar when missing, draws the context's state, shows it.
  virtual void ShowStatusWindow(ImeContext* context) = 0;
  // Draws the state again; nothing when the status bar does not exist.
  virtual void UpdateStatusWindow(ImeContext* context) = 0;
  virtual void HideStatusWindow(ImeContext* context) = 0;

  // The soft keyboard of the context's current layout, shown without taking
  // the focus (destroyed instead when the context's soft keyboard is off).
  virtual void ShowSoftKeyboard(ImeContext* context) = 0;
  // Hides and destroys it; its place is kept for the next time.
  virtual void HideSoftKeyboard(ImeContext* context) = 0;

  // A tip at a screen point (type as the tips window takes it); the window,
  // or null when none could be shown.
  virtual HWND RequestTipsWindow(ImeContext* context, int x, int y, int type,
                                 const wchar_t* text) = 0;
  // The dictionary window for a candidate of the list; null when none.
  virtual HWND RequestDictWindow(ImeContext* context, int candidateIndex) = 0;
  virtual void DestroyTipsWindow(ImeContext* context) = 0;

  // Shows a menu owned by owner and carries out the command chosen (through
  // the front end's command handler). slot: the candidate slot of
  // kCandidateEntry, else unused.
  virtual void TrackMenu(ImeContext* context, ImeMenu menu, HWND owner, int slot) = 0;

  // Hides and destroys every window of the context; before the context is
  // freed nothing may keep a pointer to it.
  virtual void DestroyWindows(ImeContext* context) = 0;
};
