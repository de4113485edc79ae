// SaveCache: a parsed model's settings cache flattened into a CFData, as the benchmarks time it.
#pragma once

#include "parser/ZEQPPD.h"
#include "platform/CFData.h"
#include "settings/DataStream.h"
#include "settings/Settings.h"

// The stream's own data is kept (retained, not copied): nothing writes to it any more. Null
// when the model cannot be saved.
inline CFDataRef SaveCache(ZEQPPD& ppd) {
    Settings settings;
    if (!ppd.Save(settings))
        return nullptr;
    CFDataStream stream;
    if (settings.Save(&stream) != 0 || !stream.data())
        return nullptr;
    return static_cast<CFDataRef>(CFRetain(stream.data()));
}
