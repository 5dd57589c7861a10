// One class per dialog over plain Win32: a template from the program's
// resources, `this` kept on the window, a few handler virtuals, its own
// modal loop with a pre-translate hook, and modeless child pages.
#pragma once

#include <windows.h>

// Sees every message of a modal loop before the dialog does (accelerators,
// Ctrl+Tab, Tab into a hosted page). Returns true when it took the message.
class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  virtual bool PreTranslate(MSG& msg) = 0;
};

class Dialog {
 public:
  // templateId names a DIALOGEX resource of instance (null: the program).
  explicit Dialog(int templateId, HINSTANCE instance = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog, disables the owner, runs the loop until EndModal or
  // the window is destroyed, and returns the result (-1 when the template
  // could not be created). A WM_QUIT seen by the loop ends it and is posted
  // again for the enclosing loop.
  INT_PTR RunModal(HWND owner, MessageFilter* filter = nullptr);
  // Creates the dialog as a modeless child of parent (a DS_CONTROL | WS_CHILD
  // template), hidden unless the template says otherwise. Enter and Esc
  // inside a page go to the parent as IDOK / IDCANCEL.
  HWND CreatePage(HWND parent);
  // Ends a modal run with result; for a page, destroys its window.
  void EndModal(INT_PTR result);
  void DestroyPage();

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  bool IsPage() const { return page_; }
  MessageFilter* filter() const { return filter_; }
  // The Dialog behind a window made by this layer, or null.
  static Dialog* FromWindow(HWND window);

 protected:
  // Return TRUE to let the system set the focus, FALSE when the handler did.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Returns true when handled. IDOK and IDCANCEL reach OnOk / OnCancel when
  // not handled here.
  virtual bool OnCommand(int id, int code, HWND control);
  virtual bool OnNotify(NMHDR* header, LRESULT& result);
  virtual void OnOk();
  virtual void OnCancel();
  virtual void OnSize(int cx, int cy);
  virtual void OnDestroy() {}
  // Any other message; return true and set result when handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Called by the modal loop for messages to this dialog or its children,
  // after the loop's filter. Returns true when the message was taken.
  virtual bool PreTranslateMessage(MSG& msg);

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool PreTranslateChain(MSG& msg);

  int templateId_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  bool page_ = false;
  bool modalDone_ = false;
  INT_PTR result_ = 0;
  MessageFilter* filter_ = nullptr;
};
