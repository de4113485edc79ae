// QuickDraw rectangle arithmetic and the current drawing port of the controls layer.
#pragma once

#include "platform/controls/CarbonTypes.h"

void SetRect(Rect* r, SInt16 left, SInt16 top, SInt16 right, SInt16 bottom);
void OffsetRect(Rect* r, SInt16 dh, SInt16 dv);
// The smallest rectangle holding both (an empty source counts as well, as on the platform).
void UnionRect(const Rect* src1, const Rect* src2, Rect* dstRect);
Boolean EmptyRect(const Rect* r);
Boolean EqualRect(const Rect* a, const Rect* b);

// The port that drawing without an explicit port goes to (null until set).
void SetPort(GrafPtr port);
void GetPort(GrafPtr* port);

// Transfer modes of image drawing.
enum : SInt32 {
    srcCopy = 0,
    graphicsModeStraightAlpha = 256,
};
