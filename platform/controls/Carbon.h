// The controls layer in one include: controls, events, windows, alerts, scrap, interface
// files and image import.
#pragma once

#include "platform/controls/CarbonEvents.h"
#include "platform/controls/Controls.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/IBCarbonRuntime.h"
#include "platform/controls/MacWindows.h"
#include "platform/controls/QuickTime.h"
#include "platform/controls/Quickdraw.h"
#include "platform/controls/Scrap.h"
