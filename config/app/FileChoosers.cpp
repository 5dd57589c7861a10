// File choosers with remembered folders.
#include "config/app/FileChoosers.h"

#include <commdlg.h>
#include <shlobj.h>

#include "config/app/ConfigServices.h"

std::wstring TextFileFilter() {
  return std::wstring(L"文本文档(*.txt)\0*.txt\0", 19);
}

std::wstring FileChoosers::FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FileChoosers::StartFolder(const wchar_t* given, const std::wstring& remembered) {
  if (given && *given) return given;
  if (!remembered.empty()) return remembered;
  return services_.KnownFolder(CSIDL_DESKTOPDIRECTORY, true);
}

int FileChoosers::BrowseOpenFile(HWND owner, const wchar_t* startFolder, const wchar_t* title,
                                 const std::wstring& filter, std::wstring& path) {
  FileChoice choice;
  choice.owner = owner;
  choice.title = title ? title : L"";
  choice.filter = filter;
  choice.startFolder = StartFolder(startFolder, openFolder_);
  choice.flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!services_.ChooseFile(choice, path)) return 0;
  openFolder_ = FolderOf(path);
  return 1;
}

int FileChoosers::BrowseSaveFile(HWND owner, const wchar_t* startFolder, std::wstring& path) {
  FileChoice choice;
  choice.owner = owner;
  choice.save = true;
  choice.title = kExportTitle;
  choice.filter = TextFileFilter();
  choice.defaultExtension = L"txt";
  choice.startFolder = StartFolder(startFolder, saveFolder_);
  choice.flags = OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_HIDEREADONLY;
  if (!services_.ChooseFile(choice, path)) return 0;
  saveFolder_ = FolderOf(path);
  return 1;
}
