// Scripts for the simulated person: reading the lines, checking every action and its words
// before anything runs, and running them through the simulated user.
#include "platform/controls/UserScript.h"

#include <charconv>
#include <cmath>

#include "platform/controls/ControlsInternal.h"

namespace {

// The longest a button is held or the clock waits in one action.
constexpr double kMaxSeconds = 3600;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The text after the first word and its separating blanks.
std::string_view AfterWord(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && !IsBlank(text[i])) {
        ++i;
    }
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return text.substr(i);
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            words.emplace_back(text.substr(start, i - start));
        }
    }
    return words;
}

bool ParseSeconds(const std::string& word, double* seconds) {
    const char* end = word.data() + word.size();
    auto [stop, ec] = std::from_chars(word.data(), end, *seconds, std::chars_format::fixed);
    return ec == std::errc() && stop == end && std::isfinite(*seconds) && *seconds >= 0 &&
           *seconds <= kMaxSeconds;
}

int UnitsButton(std::string_view word) {
    if (word == "points") {
        return 1;
    }
    if (word == "inches") {
        return 2;
    }
    if (word == "mm") {
        return 3;
    }
    return 0;
}

ControlPartCode StepperPart(std::string_view word) {
    if (word == "up") {
        return kControlUpButtonPart;
    }
    if (word == "down") {
        return kControlDownButtonPart;
    }
    return kControlNoPart;
}

SInt16 ArrowCode(std::string_view word) {
    if (word == "up") {
        return kUpArrowCharCode;
    }
    if (word == "down") {
        return kDownArrowCharCode;
    }
    if (word == "left") {
        return kLeftArrowCharCode;
    }
    if (word == "right") {
        return kRightArrowCharCode;
    }
    return 0;
}

std::string Quoted(std::string_view word) {
    std::string out = "\"";
    for (char c : word) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F || c == '"' || c == '\\') {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A control named in a script: one of the names, or a number.
bool ResolveControl(std::string_view word, SInt32* number) {
    const auto& names = UserScript::ControlNames();
    auto found = names.find(word);
    if (found != names.end()) {
        *number = found->second;
        return true;
    }
    if (word.empty() || word.size() > 10 || word[0] < '1' || word[0] > '9') {
        return false;
    }
    auto [stop, ec] = std::from_chars(word.data(), word.data() + word.size(), *number);
    return ec == std::errc() && stop == word.data() + word.size();
}

}  // namespace

std::string FormatScriptError(const ScriptError& error) {
    return "line " + std::to_string(error.line) + ": " + error.message;
}

const std::map<std::string, SInt32, std::less<>>& UserScript::ControlNames() {
    static const std::map<std::string, SInt32, std::less<>> kNames = {
        {"enable", 4225},       {"align", 4201},         {"units", 4202},
        {"defaults", 4223},     {"frontX", 4203},        {"frontY", 4204},
        {"backX", 4205},        {"backY", 4206},         {"frontUp", 4213},
        {"frontDown", 4214},    {"frontLeft", 4215},     {"frontRight", 4216},
        {"backUp", 4217},       {"backDown", 4218},      {"backLeft", 4219},
        {"backRight", 4220},    {"frontXStepper", 4207}, {"frontYStepper", 4208},
        {"backXStepper", 4209}, {"backYStepper", 4210},
    };
    return kNames;
}

UserScript::UserScript(SimulatedUser& user) : mUser(user) {}

void UserScript::AddAction(const std::string& name, Action action) {
    mActions[name] = std::move(action);
}

bool UserScript::Parse(std::string_view text, std::vector<ScriptLine>* lines,
                       std::vector<ScriptError>* errors) const {
    size_t errorCount = 0;
    auto fail = [&](int line, std::string message) {
        ++errorCount;
        if (errors != nullptr) {
            errors->push_back(ScriptError{line, std::move(message)});
        }
    };
    int number = 0;
    size_t position = 0;
    while (position <= text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(position, end - position);
        position = end + 1;
        ++number;
        // A comment starts with "#" at the start of the line or after a blank.
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '#' && (i == 0 || IsBlank(raw[i - 1]))) {
                raw = raw.substr(0, i);
                break;
            }
        }
        raw = Trim(raw);
        if (raw.empty()) {
            if (end == text.size()) {
                break;
            }
            continue;
        }
        ScriptLine line{number,
                        std::string(raw.substr(0, raw.size() - AfterWord(raw).size())),
                        {},
                        std::string(AfterWord(raw))};
        line.action = std::string(Trim(line.action));
        line.words = Words(line.rest);
        const std::vector<std::string>& w = line.words;
        const std::string& action = line.action;
        SInt32 control = 0;
        double seconds = 0;
        auto needControl = [&](size_t i) {
            if (i >= w.size()) {
                fail(number, action + ": a control is missing");
                return false;
            }
            if (!ResolveControl(w[i], &control)) {
                fail(number, "unknown control " + Quoted(w[i]));
                return false;
            }
            return true;
        };
        auto wordCount = [&](size_t least, size_t most) {
            if (w.size() < least || w.size() > most) {
                fail(number, action + ": " +
                                 (w.size() < least ? std::string("words are missing")
                                                   : "too many words, from " + Quoted(w[most])));
                return false;
            }
            return true;
        };
        if (action == "type") {
            if (needControl(0)) {
                std::u16string units;
                if (!controls::FromUTF8(AfterWord(line.rest), &units)) {
                    fail(number, "type: the text is not UTF-8");
                }
            }
        } else if (action == "blur" || action == "dump") {
            wordCount(0, 0);
        } else if (action == "click") {
            if (wordCount(1, 2) && needControl(0) && w.size() == 2 && UnitsButton(w[1]) == 0 &&
                StepperPart(w[1]) == kControlNoPart) {
                fail(number, "click: " + Quoted(w[1]) + " is none of up, down, points, inches, mm");
            }
        } else if (action == "hold") {
            if (wordCount(2, 3) && needControl(0)) {
                if (w.size() == 3 && StepperPart(w[1]) == kControlNoPart) {
                    fail(number, "hold: " + Quoted(w[1]) + " is neither up nor down");
                } else if (!ParseSeconds(w.back(), &seconds)) {
                    fail(number, "hold: " + Quoted(w.back()) +
                                     " is not a number of seconds from 0 to 3600");
                }
            }
        } else if (action == "key") {
            if (wordCount(2, 2) && needControl(0) && ArrowCode(w[1]) == 0) {
                fail(number, "key: " + Quoted(w[1]) + " is none of up, down, left, right");
            }
        } else if (action == "paste") {
            // Any bytes: the paste rules judge them.
        } else if (mActions.find(action) == mActions.end()) {
            fail(number, "unknown action " + Quoted(action));
        }
        if (lines != nullptr) {
            lines->push_back(std::move(line));
        }
        if (end == text.size()) {
            break;
        }
    }
    return errorCount == 0;
}

nlohmann::ordered_json UserScript::State() const {
    nlohmann::ordered_json state = mUser.State(kSignature);
    if (mDumpHook) {
        mDumpHook(state);
    }
    return state;
}

std::string UserScript::RunLine(const ScriptLine& line, std::ostream& out) {
    const std::vector<std::string>& w = line.words;
    const std::string& action = line.action;
    if (action == "dump") {
        out << State().dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return "";
    }
    if (action == "blur") {
        mUser.Blur();
        return "";
    }
    if (action == "paste") {
        mUser.Paste(line.rest);
        return "";
    }
    if (action != "type" && action != "click" && action != "hold" && action != "key") {
        return mActions[action](line);
    }
    SInt32 number = 0;
    ResolveControl(w[0], &number);
    ControlRef control = mUser.Find(kSignature, number);
    if (control == nullptr) {
        return "control " + std::to_string(number) + " is not in the window";
    }
    ControlKind kind{};
    GetControlKind(control, &kind);
    bool stepper = kind.kind == kControlKindLittleArrows;
    bool radios = kind.kind == kControlKindRadioGroup;
    if ((action == "type" || action == "key") && kind.kind != kControlKindEditUnicodeText) {
        return "control " + std::to_string(number) + " is not a text field";
    }
    if (action == "type") {
        mUser.TypeInto(control, std::string(AfterWord(line.rest)));
        return "";
    }
    if (action == "key") {
        mUser.ArrowKey(control, ArrowCode(w[1]));
        return "";
    }
    // click and hold: a stepper is pressed on one of its arrows, a radio group on a button.
    bool hold = action == "hold";
    std::string partWord = w.size() == (hold ? 3u : 2u) ? w[1] : "";
    ControlPartCode part = StepperPart(partWord);
    int button = UnitsButton(partWord);
    if (stepper && part == kControlNoPart) {
        return "control " + std::to_string(number) + " is a stepper: say up or down";
    }
    if (radios && button == 0) {
        return "control " + std::to_string(number) + " is a radio group: say points, inches or mm";
    }
    if (!partWord.empty() && !stepper && !radios) {
        return "control " + std::to_string(number) + " has no part " + Quoted(partWord);
    }
    double seconds = 0;
    if (hold) {
        ParseSeconds(w.back(), &seconds);
    }
    mUser.Hold(control, seconds, radios ? static_cast<ControlPartCode>(button) : part);
    return "";
}

bool UserScript::Run(std::string_view text, std::ostream& out, std::vector<ScriptError>* errors) {
    std::vector<ScriptLine> lines;
    if (!Parse(text, &lines, errors)) {
        return false;
    }
    for (const ScriptLine& line : lines) {
        std::string message = RunLine(line, out);
        if (!message.empty()) {
            if (errors != nullptr) {
                errors->push_back(ScriptError{line.line, std::move(message)});
            }
            return false;
        }
    }
    return true;
}
