// The registration order of the text service's TSF categories.
#include "installer/core/TsfCategories.h"

#include "frontend/tsf/TsfDeclarations.h"

const GUID* const kTsfCategories[8] = {&GUID_TFCAT_TIP_KEYBOARD,
                                       &GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER,
                                       &GUID_TFCAT_TIPCAP_SECUREMODE,
                                       &GUID_TFCAT_TIPCAP_UIELEMENTENABLED,
                                       &GUID_TFCAT_TIPCAP_INPUTMODECOMPARTMENT,
                                       &GUID_TFCAT_TIPCAP_COMLESS,
                                       &GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT,
                                       &GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT};
