// What the black-box host sets up around a real IME session and takes down
// afterwards: the product's registry values, the IME's keyboard layout, and a
// scratch copy of the data folder.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Points the product's registry key at an install folder and a data folder;
// the destructor puts back what was there before.
class ProductRegistry {
 public:
  bool Write(const std::wstring& installFolder, const std::wstring& dataFolder);
  ~ProductRegistry();

 private:
  bool created_ = false;
  bool written_ = false;
  std::vector<std::pair<std::wstring, std::wstring>> saved_;  // values that existed
  std::vector<std::wstring> added_;                           // values that did not
};

// The installed module: <system folder><IMEName>.ime, with IMEName read from
// the product's registry key. False when the product is not installed.
bool InstalledModulePath(std::wstring* out);

// Installs the module as an IME layout. The system never reuses a layout
// slot, so the destructor deletes the layout key the installation made.
class ImeLayout {
 public:
  bool Install(const std::wstring& modulePath, const wchar_t* layoutText);
  ~ImeLayout();
  HKL layout() const { return layout_; }

 private:
  HKL layout_ = nullptr;
};

// A copy of the files of a data folder under the temporary folder, removed
// by the destructor.
class DataCopy {
 public:
  bool Make(const std::wstring& from);
  ~DataCopy();
  const std::wstring& path() const { return path_; }  // ends in a backslash

 private:
  std::wstring path_;
};
