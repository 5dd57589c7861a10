// The text-mode editor's rules as plain functions: back-up names, line
// colours, find with one wrap, and whether a loaded text is complete.
#pragma once

#include <windows.h>
#include <richedit.h>

#include <functional>
#include <optional>
#include <string>

inline constexpr wchar_t kBackupSuffix[] = L".znconfig.txt";

// The file a back-up chosen as chosen is written to: ASCII capitals lowered,
// a final ".txt" replaced by ".znconfig.txt" (a name that already ends so is
// kept), else ".znconfig.txt" appended. Empty when the result would not fit
// in 259 units.
std::optional<std::wstring> BackupFileName(const std::wstring& chosen);

struct LineColours {
  COLORREF head;    // colour of the first headUnits units
  size_t headUnits;
  COLORREF rest;    // colour of the remainder
};
inline constexpr COLORREF kCommentColour = RGB(0, 128, 0);
inline constexpr COLORREF kValueColour = RGB(0, 0, 255);
inline constexpr COLORREF kPlainColour = RGB(0, 0, 0);
// Comments green, headers black, "key=" black and its value blue, as the
// reader splits a line (a key may be "=" itself).
LineColours ColoursOfLine(const std::wstring& line);

// Finds forward from start with finder (from, found) -> bool; on a miss
// from a start past 0, searches once more from the beginning. On success,
// start becomes the end of the match, so the next search also finds a
// match that begins right after it.
bool FindWithWrap(const std::function<bool(LONG, CHARRANGE&)>& finder, LONG& start,
                  CHARRANGE& found);

// The text with every line end as CR LF, as the editor gives it back.
std::wstring WithCrLf(const std::wstring& text);
// True when the editor shows less than the text put into it (a limit cut
// it): applying such a text would clear what was cut off.
bool ShownTextIsCut(const std::wstring& loaded, const std::wstring& shown);

// Creates every folder level of path; the folder's attributes when it then
// exists, else 0.
DWORD CreateDirectoryPath(const std::wstring& path);
