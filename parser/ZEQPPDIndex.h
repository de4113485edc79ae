// Hash indexes that the vendor parser keeps while it reads one file, so that the
// "does this name already exist" checks stay constant-time however large the PPD.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "PPDUtils/TextConverter.h"
#include "parser/ZEQPPD.h"

class PPDXProperty;

// Each map answers with the first element of that name in creation order, which is
// what a walk over the matching container would find first. The keys point into the
// keyword strings of the elements (or group-name records), which do not change while
// the file is read.
struct ZEQPPD::ParseState {
    std::unordered_map<std::string_view, PPDXGroup*> groups;
    std::unordered_map<std::string_view, PPDXProperty*> pages;
    std::unordered_map<std::string_view, GroupName*> groupNames;
    // The converter of texts read before both language keywords are known, and the
    // *LanguageEncoding value it was made for (ZEQPPD::FallbackConverter).
    std::unique_ptr<TextConverter> fallbackConverter;
    std::string fallbackEncoding;
};
