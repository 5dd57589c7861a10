// The TSF categories the text service is registered in, in registration
// order. mingw-w64 declares only the first two, so every one is defined
// here once, from the documented values.
#pragma once

#include <windows.h>

#include <cstddef>

extern const GUID kTfCatTipKeyboard;                 // GUID_TFCAT_TIP_KEYBOARD
extern const GUID kTfCatDisplayAttributeProvider;    // GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER
extern const GUID kTfCatTipCapSecureMode;            // GUID_TFCAT_TIPCAP_SECUREMODE
extern const GUID kTfCatTipCapUiElementEnabled;      // GUID_TFCAT_TIPCAP_UIELEMENTENABLED
extern const GUID kTfCatTipCapInputModeCompartment;  // GUID_TFCAT_TIPCAP_INPUTMODECOMPARTMENT
extern const GUID kTfCatTipCapComless;               // GUID_TFCAT_TIPCAP_COMLESS
extern const GUID kTfCatTipCapImmersiveSupport;      // GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT
extern const GUID kTfCatTipCapSystraySupport;        // GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT

// All eight in order; Windows before 8 gets only the first kTsfCategoriesBefore8.
extern const GUID* const kTsfCategories[8];
constexpr size_t kTsfCategoryCount = 8;
constexpr size_t kTsfCategoriesBefore8 = 6;
