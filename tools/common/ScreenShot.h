// A PNG picture of a screen rectangle, for the tools and hosts that show a
// newcomer what the windows look like.
#pragma once

#include <windows.h>

#include <string>

// Copies the screen's pixels in rect (layered windows included) into a PNG
// file; false when the picture cannot be taken or written.
bool SaveScreenRect(const RECT& rect, const std::wstring& path);
