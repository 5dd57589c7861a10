// A PNG picture of a screen rectangle, so a newcomer can see the candidate
// window over the EDIT.
#pragma once

#include <windows.h>

#include <string>

// Copies the screen's pixels in rect (layered windows included) into a PNG
// file; false when the picture cannot be taken or written.
bool SaveScreenRect(const RECT& rect, const std::wstring& path);
