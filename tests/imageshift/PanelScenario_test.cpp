// Scenario scripts of the panel: each file of tests/data/imageshift-scenarios drives the
// simulated person over the panel. Lines "#! ppd FILE" and "#! orientation landscape" set the
// scene ("#! language de" the language of the texts); the "#>" lines after a dump hold the state
// expected there (the keys given must match, objects compared key by key, everything else exactly).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/imageshift/ImageShiftTestSupport.h"
#include "tests/imageshift/PanelHarness.h"

using namespace istest;
using json = nlohmann::ordered_json;

namespace {

const char* const kScenarioFolder = ZEQ_TEST_DATA "/imageshift-scenarios";

struct Scenario {
    std::string ppd = "imageshift-basic.ppd";
    bool portrait = true;
    std::string language = "en";
    std::string script;
    std::vector<std::string> expected;  // one JSON text per dump
};

Scenario ReadScenario(const std::string& path) {
    Scenario s;
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    s.script = all.str();
    std::istringstream lines(s.script);
    std::string line;
    bool inExpectation = false;
    while (std::getline(lines, line)) {
        if (line.rfind("#! ppd ", 0) == 0) {
            s.ppd = line.substr(7);
        } else if (line == "#! orientation landscape") {
            s.portrait = false;
        } else if (line.rfind("#! language ", 0) == 0) {
            s.language = line.substr(12);
        } else if (line.rfind("#>", 0) == 0) {
            if (!inExpectation)
                s.expected.emplace_back();
            s.expected.back() += line.substr(2);
            inExpectation = true;
            continue;
        }
        inExpectation = false;
    }
    return s;
}

// Where `actual` differs from what `expected` asks for ("" when it does not).
std::string Mismatch(const json& expected, const json& actual, const std::string& where) {
    if (expected.is_object()) {
        if (!actual.is_object())
            return where + ": not an object: " + actual.dump();
        for (const auto& [key, value] : expected.items()) {
            if (!actual.contains(key))
                return where + "/" + key + ": missing";
            std::string inner = Mismatch(value, actual.at(key), where + "/" + key);
            if (!inner.empty())
                return inner;
        }
        return "";
    }
    if (expected != actual)
        return where + ": expected " + expected.dump() + ", got " + actual.dump();
    return "";
}

std::vector<std::string> ScenarioFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kScenarioFolder)) {
        if (entry.path().extension() == ".script")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class PanelScenario : public testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(PanelScenario, Runs) {
    const Scenario s = ReadScenario(std::string(kScenarioFolder) + "/" + GetParam());
    const std::string ppd = s.ppd.rfind("examples/", 0) == 0
                                ? std::string(ZEQ_EXAMPLES) + s.ppd.substr(8)
                                : DataPath(s.ppd);
    PanelHarness harness(ppd, s.portrait, s.language.c_str());
    std::ostringstream out;
    std::vector<ScriptError> errors;
    const bool ran = harness.Script().Run(s.script, out, &errors);
    std::string errorText;
    for (const ScriptError& e : errors)
        errorText += FormatScriptError(e) + "\n";
    ASSERT_TRUE(ran) << errorText;

    // ZEQ_PRINT_DUMPS=1 shows the states, for writing the expectations of a new script.
    if (std::getenv("ZEQ_PRINT_DUMPS") != nullptr)
        std::cout << out.str();
    std::vector<std::string> dumps;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        dumps.push_back(line);
    ASSERT_EQ(dumps.size(), s.expected.size()) << "dumps and expectations differ in number";
    for (size_t i = 0; i < dumps.size(); ++i) {
        const json actual = json::parse(dumps[i]);
        const json expected = json::parse(s.expected[i], nullptr, false);
        ASSERT_FALSE(expected.is_discarded()) << "expectation " << i + 1 << " is not JSON";
        EXPECT_EQ(Mismatch(expected, actual, "dump " + std::to_string(i + 1)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, PanelScenario, testing::ValuesIn(ScenarioFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.rfind('.'));
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });
