// The open and save dialogs of config, each remembering the folder of its
// last choice for the next call.
#pragma once

#include <windows.h>

#include <string>

class ConfigServices;

class FileChoosers {
 public:
  explicit FileChoosers(ConfigServices& services) : services_(services) {}

  // An open dialog for an existing file. The start folder is startFolder
  // when given, else the folder of the previous choice, else the desktop.
  // 1 with path set when chosen, 0 when cancelled.
  int BrowseOpenFile(HWND owner, const wchar_t* startFolder, const wchar_t* title,
                     const std::wstring& filter, std::wstring& path);
  // The save dialog of the settings export ("导出全部设置..", text files,
  // ".txt" added). It does not ask about overwriting: the caller changes the
  // name and asks about the final one.
  int BrowseSaveFile(HWND owner, const wchar_t* startFolder, std::wstring& path);

  // The folder part of a path, up to its last backslash (kept).
  static std::wstring FolderOf(const std::wstring& path);

 private:
  std::wstring StartFolder(const wchar_t* given, const std::wstring& remembered);

  ConfigServices& services_;
  std::wstring openFolder_;
  std::wstring saveFolder_;
};

// The filter of text files as the dialogs take it.
std::wstring TextFileFilter();
inline constexpr wchar_t kExportTitle[] = L"导出全部设置..";
