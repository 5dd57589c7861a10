// The TSF categories the text service is registered in, in registration
// order; the GUIDs mingw-w64 lacks come from the module's TSF declarations.
#pragma once

#include <windows.h>

#include <cstddef>

// All eight in order; Windows before 8 gets only the first kTsfCategoriesBefore8.
extern const GUID* const kTsfCategories[8];
constexpr size_t kTsfCategoryCount = 8;
constexpr size_t kTsfCategoriesBefore8 = 6;
