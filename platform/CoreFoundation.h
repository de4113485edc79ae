// All Core Foundation stand-ins of the platform layer.
#pragma once

#include "platform/CFArray.h"
#include "platform/CFBase.h"
#include "platform/CFData.h"
#include "platform/CFDate.h"
#include "platform/CFDictionary.h"
#include "platform/CFError.h"
#include "platform/CFNumber.h"
#include "platform/CFPropertyList.h"
#include "platform/CFString.h"
#include "platform/CFURL.h"
#include "platform/CFUUID.h"
