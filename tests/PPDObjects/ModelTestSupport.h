// Helpers of the object-model tests: a known process-wide start, user names, flag lists and
// the size-then-fill PostScript collection with a check of the announced size.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PPDObjects/PPDXControl.h"
#include "PPDObjects/PPDXJobNote.h"
#include "PPDObjects/PPDXProcessState.h"
#include "foundation/CString.h"
#include "foundation/PointerList.h"
#include "parser/ZEQPPD.h"
#include "platform/CFString.h"

// Every test starts with display options 0 and no shared job-note converter.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZEQPPD::Options(3);
        PPDXResetProcessState();
        EXPECT_EQ(ZEQPPD::Options(), 0u);
        EXPECT_EQ(PPDXJobNote::mOutConverter, nullptr);
    }
    void TearDown() override {
        for (CFStringRef name : mNames) {
            CFRelease(name);
        }
        ZEQPPD::Options(0);
    }

    // A user name that lives until the end of the test (the model retains its own).
    CFStringRef Name(const char* text) {
        CFStringRef name = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
        mNames.push_back(name);
        return name;
    }

    std::vector<CFStringRef> mNames;
};

// A flag list of new CStrings (the control takes the strings over).
inline PointerList Flags(std::initializer_list<const char*> words) {
    PointerList list;
    for (const char* word : words) {
        list.PushBack(new CString(word));
    }
    return list;
}

// A malloc'd copy of a text, as the parser hands code blocks over.
inline unsigned char* Code(const char* text) {
    size_t length = strlen(text);
    unsigned char* block = static_cast<unsigned char*>(malloc(length == 0 ? 1 : length));
    memcpy(block, text, length);
    return block;
}

// Runs the size-then-fill protocol: the second call must write exactly the announced bytes,
// no more (the guard bytes after them stay untouched) and return the same count.
template <class Emit>
std::string Collect(Emit emit) {
    long size = emit(nullptr);
    EXPECT_GE(size, 0);
    std::vector<unsigned char> buffer(static_cast<size_t>(size) + 8, 0xAB);
    long written = emit(buffer.data());
    EXPECT_EQ(written, size);
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], 0xAB) << "byte " << i << " written beyond the announced size";
    }
    return std::string(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(size));
}

inline std::string PostScriptOf(PPDXControl& control) {
    return Collect([&](unsigned char* out) { return control.PostScript(out); });
}
