// QuickDraw rectangle arithmetic and the current port.
#include "platform/controls/Quickdraw.h"

#include <algorithm>

namespace {
GrafPtr gPort = nullptr;
}

void SetRect(Rect* r, SInt16 left, SInt16 top, SInt16 right, SInt16 bottom) {
    if (r != nullptr) {
        *r = Rect{top, left, bottom, right};
    }
}

void OffsetRect(Rect* r, SInt16 dh, SInt16 dv) {
    if (r != nullptr) {
        r->left = static_cast<SInt16>(r->left + dh);
        r->right = static_cast<SInt16>(r->right + dh);
        r->top = static_cast<SInt16>(r->top + dv);
        r->bottom = static_cast<SInt16>(r->bottom + dv);
    }
}

void UnionRect(const Rect* src1, const Rect* src2, Rect* dstRect) {
    if (src1 == nullptr || src2 == nullptr || dstRect == nullptr) {
        return;
    }
    *dstRect = Rect{std::min(src1->top, src2->top), std::min(src1->left, src2->left),
                    std::max(src1->bottom, src2->bottom), std::max(src1->right, src2->right)};
}

Boolean EmptyRect(const Rect* r) {
    return r == nullptr || r->bottom <= r->top || r->right <= r->left;
}

Boolean EqualRect(const Rect* a, const Rect* b) {
    return a != nullptr && b != nullptr && a->top == b->top && a->left == b->left &&
           a->bottom == b->bottom && a->right == b->right;
}

void SetPort(GrafPtr port) {
    gPort = port;
}

void GetPort(GrafPtr* port) {
    if (port != nullptr) {
        *port = gPort;
    }
}
