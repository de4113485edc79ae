// Gestalt registry stand-in: process-wide values under four-character selectors.
#pragma once

#include "platform/MacTypes.h"

// The platform kept 32-bit values here, and callers stored addresses in them; here every
// value is pointer-sized (long is 64 bits on this platform), so an address fits.
typedef long GestaltValue;

enum : OSErr {
    gestaltUndefSelectorErr = -5551,  // nothing registered under the selector
    gestaltDupSelectorErr = -5552,    // NewGestaltValue on a selector already registered
};

// Gestalt: paramErr for a null response. Replace and Delete: gestaltUndefSelectorErr when
// nothing is registered under the selector.
OSErr Gestalt(OSType selector, GestaltValue* response);
OSErr NewGestaltValue(OSType selector, GestaltValue newValue);
OSErr ReplaceGestaltValue(OSType selector, GestaltValue replacementValue);
OSErr DeleteGestaltValue(OSType selector);
