// Decimal conversion between longs and Pascal strings, and Pascal/C string copies.
#include "platform/TextUtils.h"

#include <cstring>

void NumToString(long theNum, Str255 theString) {
    if (theString == nullptr) {
        return;
    }
    char digits[32];
    int count = 0;
    // Work in unsigned arithmetic so that the most negative long has a magnitude too.
    unsigned long magnitude =
        theNum < 0 ? 0UL - static_cast<unsigned long>(theNum) : static_cast<unsigned long>(theNum);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = 0;
    if (theNum < 0) {
        theString[++length] = '-';
    }
    while (count > 0) {
        theString[++length] = static_cast<unsigned char>(digits[--count]);
    }
    theString[0] = static_cast<unsigned char>(length);
}

void StringToNum(ConstStr255Param theString, long* theNum) {
    if (theNum == nullptr) {
        return;
    }
    *theNum = 0;
    if (theString == nullptr) {
        return;
    }
    int length = theString[0];
    int i = 1;
    bool negative = false;
    if (i <= length && (theString[i] == '-' || theString[i] == '+')) {
        negative = theString[i] == '-';
        ++i;
    }
    unsigned long value = 0;
    for (; i <= length && theString[i] >= '0' && theString[i] <= '9'; ++i) {
        value = value * 10 + static_cast<unsigned long>(theString[i] - '0');
    }
    if (negative) {
        value = 0UL - value;
    }
    *theNum = static_cast<long>(value);
}

StringPtr c2pstrcpy(Str255 dst, const char* src) {
    if (dst == nullptr) {
        return dst;
    }
    if (src == nullptr) {
        dst[0] = 0;
        return dst;
    }
    size_t length = std::strlen(src);
    if (length > 255) {
        length = 255;
    }
    std::memmove(dst + 1, src, length);
    dst[0] = static_cast<unsigned char>(length);
    return dst;
}

char* p2cstrcpy(char* dst, ConstStr255Param src) {
    if (dst == nullptr) {
        return dst;
    }
    if (src == nullptr) {
        dst[0] = '\0';
        return dst;
    }
    size_t length = src[0];
    std::memmove(dst, src + 1, length);
    dst[length] = '\0';
    return dst;
}
