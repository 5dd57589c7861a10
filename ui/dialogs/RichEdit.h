// A RichEdit 2.0 control wrapper: text in and out (CR LF kept), limits,
// find, selection and colouring of ranges, and an edit context menu tracked
// through the program's dialog services.
#pragma once

#include <windows.h>
#include <richedit.h>

#include <string>

class DialogServices;

// Command ids of the context menu; the program's menu resource uses them.
enum RichEditCommand : int {
  kRichEditCut = 57635,
  kRichEditCopy = 57634,
  kRichEditPaste = 32937,
  kRichEditDelete = 32839,
  kRichEditUndo = 57643,
  kRichEditRedo = 57644,
};

struct RichEditMenuState {
  bool cut;
  bool copy;
  bool paste;
  bool erase;
  bool undo;
  bool redo;
};

// Which menu entries are enabled: cut and copy need a selection; delete is
// always offered.
RichEditMenuState ComputeRichEditMenuState(bool canPaste, LONG selectionStart, LONG selectionEnd,
                                           bool canUndo, bool canRedo);

// Loads RichEdit 2.0 ("RichEdit20W") once for the process; true when loaded.
bool LoadRichEditLibrary();

class RichEditBox {
 public:
  RichEditBox() = default;
  ~RichEditBox();
  RichEditBox(const RichEditBox&) = delete;
  RichEditBox& operator=(const RichEditBox&) = delete;

  void Attach(HWND edit);
  HWND hwnd() const { return edit_; }
  // Shows menu menuId of instance (its first popup) on a right click.
  void EnableContextMenu(HINSTANCE instance, int menuId, DialogServices* services);

  // The whole text with line ends as CR LF.
  std::wstring Text() const;
  // Replaces the text; the limit is raised first when the text is longer, so
  // nothing is cut.
  void SetText(const wchar_t* text);
  void SetLimit(LONG units);
  LONG Limit() const;
  // Finds text (case ignored, not whole words) from position from to the
  // end; false when not found.
  bool Find(const wchar_t* text, LONG from, CHARRANGE& found) const;
  void Select(LONG start, LONG end);
  CHARRANGE Selection() const;
  // Colours of ranges, in the control's positions (one unit per line end).
  void SetRangeColour(LONG start, LONG end, COLORREF colour);
  // Face, size and colour of all text; the automatic colour is turned off.
  void SetAllFont(const wchar_t* face, LONG twips, COLORREF colour);
  int LineCount() const;
  LONG LineStart(int line) const;
  std::wstring LineText(int line, int maxUnits) const;
  // Runs one of the RichEditCommand ids.
  void RunCommand(int command);
  bool MenuOpen() const { return menuOpen_; }
  // Shows the context menu at a screen point (also what a right click does).
  void ShowContextMenu(POINT screen);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
  void Detach();

  HWND edit_ = nullptr;
  HINSTANCE menuInstance_ = nullptr;
  int menuId_ = 0;
  DialogServices* services_ = nullptr;
  bool subclassed_ = false;
  bool menuOpen_ = false;
};
