// The sized page window of the "/showurl" mode: a browser control filling a
// resizable dialog, titled by the page it shows.
#pragma once

#include <string>

#include "ui/dialogs/Dialog.h"

struct ConfigApp;

struct WindowPlacement {
  int left;
  int top;
  int width;
  int height;
  bool sized;  // false: keep the dialog's own size and place
};

// A requested size clamped to the screen and centred; width or height
// below 1 means no size.
WindowPlacement PlacePageWindow(int width, int height, int screenWidth, int screenHeight);

class HtmlWindow : public Dialog {
 public:
  HtmlWindow(ConfigApp& app, std::wstring url, int width, int height);
  HWND browser() const { return browser_; }
  // The address navigated to, empty when the request was refused.
  const std::wstring& navigated() const { return navigated_; }

 protected:
  BOOL OnInitDialog() override;
  void OnSize(int cx, int cy) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  ConfigApp& app_;
  std::wstring url_;
  int width_;
  int height_;
  HWND browser_ = nullptr;
  std::wstring navigated_;
};
