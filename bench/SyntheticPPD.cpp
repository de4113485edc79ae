// Deterministic synthetic vendor-dialect PPD generator: a fixed pseudo-random sequence picks
// the kind, size and names of every control, so a given control count always gives one file.
#include "bench/SyntheticPPD.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// splitmix64: small, fast, and the same on every platform (unlike the standard distributions).
class Random {
public:
    explicit Random(uint64_t seed) : mState(seed) {}
    uint64_t Next() {
        uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
    // Uniform in [lo, hi].
    long Between(long lo, long hi) { return lo + static_cast<long>(Below(hi - lo + 1)); }

private:
    uint64_t mState;
};

const char* const kStems[] = {
    "MediaType", "Finisher",   "Staple",    "Punch",   "Fold",      "Tray",    "OutputBin",
    "Toner",     "Resolution", "Halftone",  "Screen",  "Trapping",  "Booklet", "Cover",
    "Insert",    "Collate",    "JobOffset", "Binding", "Watermark", "Overlay", "Density",
    "Smoothing", "Gloss",      "Trim",      "Saddle",  "TabStock",  "Bypass",  "SlipSheet",
    "Separator", "Economy",    "Rotate",    "Tumble",  "Banner",    "Edge",    "Calibrate"};
const size_t kStemCount = sizeof kStems / sizeof kStems[0];

const char* const kOptionNames[] = {
    "None",     "Auto",      "Low",    "Medium", "High",   "Left",     "Right",      "Top",
    "Bottom",   "Center",    "Plain",  "Heavy",  "Glossy", "Recycled", "Letterhead", "Transparency",
    "Single",   "Dual",      "Triple", "Quad",   "Draft",  "Normal",   "Fine",       "Photo",
    "Portrait", "Landscape", "Front",  "Back",   "Upper",  "Lower",    "Manual",     "Stack"};
const size_t kOptionCount = sizeof kOptionNames / sizeof kOptionNames[0];

const char* const kFlagWords[] = {"Setup", "Command", "Spooler", "MacIS", "MacVJN"};

const char* const kJobNoteWords[] = {
    "Alpha",         "Numeric", "Decimal",      "Required",   "Remembered", "Password",
    "AlwaysDisplay", "Resume",  "Member",       "OnOfSwitch", "LengthReq",  "SecPrint",
    "Command",       "Space",   "Negative",     "Encrypt",    "MultiSpace", "MultiComma",
    "LCD",           "Hyphen",  "TwoCharField", "NoComma"};
const size_t kJobNoteWordCount = sizeof kJobNoteWords / sizeof kJobNoteWords[0];

const char* const kFonts[] = {"AvantGarde-Book",
                              "AvantGarde-Demi",
                              "Bookman-Demi",
                              "Bookman-Light",
                              "Courier",
                              "Courier-Bold",
                              "Courier-BoldOblique",
                              "Courier-Oblique",
                              "Helvetica",
                              "Helvetica-Bold",
                              "Helvetica-BoldOblique",
                              "Helvetica-Narrow",
                              "Helvetica-Oblique",
                              "NewCenturySchlbk-Bold",
                              "NewCenturySchlbk-Roman",
                              "Palatino-Bold",
                              "Palatino-Roman",
                              "Symbol",
                              "Times-Bold",
                              "Times-BoldItalic",
                              "Times-Italic",
                              "Times-Roman",
                              "ZapfChancery-MediumItalic",
                              "ZapfDingbats"};

struct PageSize {
    const char* name;
    const char* text;
    int width, height;
};
const PageSize kPageSizes[] = {{"Letter", "US Letter", 612, 792},
                               {"Legal", "US Legal", 612, 1008},
                               {"Tabloid", "Tabloid", 792, 1224},
                               {"A3", "A3", 842, 1191},
                               {"A4", "A4", 595, 842},
                               {"A5", "A5", 420, 595},
                               {"B4", "JIS B4", 729, 1032},
                               {"B5", "JIS B5", 516, 729},
                               {"Executive", "Executive", 522, 756},
                               {"SRA3", "SRA3", 907, 1275}};

// A control that constraints may name: its keyword and its option names.
struct Choosable {
    std::string keyword;
    std::vector<std::string> options;
};

class Writer {
public:
    Writer(size_t controls, SyntheticPPDStats& stats)
        : mWanted(controls), mStats(stats), mRandom(0x51A7E5EEDull) {
        mOut.reserve(controls * 470 + 16384);
    }

    std::string Run() {
        Header();
        Layout();
        Installable();
        PageSizes();
        ImageShift();
        Controls();
        Constraints();
        Shortcuts();
        Fonts();
        mOut += "*% End of synthetic PPD\n";
        Measure();
        return std::move(mOut);
    }

private:
    size_t mWanted;
    SyntheticPPDStats& mStats;
    Random mRandom;
    std::string mOut;
    std::vector<std::string> mRollDowns;
    std::vector<Choosable> mChoosable;
    std::vector<std::string> mShortcutTargets;
    size_t mTextCounter = 0;

    void Line(const std::string& text) {
        mOut += text;
        mOut += '\n';
    }

    // A translation; now and then with a Latin-1 byte or a hexadecimal run in it.
    std::string Text(const std::string& base) {
        ++mTextCounter;
        switch (mTextCounter % 29) {
            case 7:
                return base + " Qualit\xE9";
            case 13:
                return base + " <C46E6465>rung";  // "Änderung" as a hexadecimal run
            case 19:
                return "Gr<FC>\xDF"
                       "e " +
                       base;
            default:
                return base;
        }
    }

    std::string Flags() {
        std::string words = kFlagWords[mRandom.Below(5)];
        if (mRandom.Below(3) == 0) {
            words += "|";
            words += kFlagWords[mRandom.Below(5)];
        }
        return mRandom.Below(2) ? "\"" + words + "\"" : words;
    }

    // How many lines the option code of the next control spans: mostly one, up to three.
    size_t CodeLines() {
        size_t pick = mRandom.Below(20);
        return pick < 15 ? 1 : (pick < 18 ? 2 : 3);
    }

    // PostScript code of an option over `lines` lines; multi-line values end with *End.
    std::string Code(const std::string& key, const std::string& option, size_t index,
                     size_t lines) {
        std::string bare = key.substr(1);
        std::string code = "\"<</" + bare + "(" + option + ")>>setpagedevice";
        if (lines >= 2)
            code += "\n/" + bare + "Idx " + std::to_string(index) + " def";
        if (lines >= 3)
            code += "\n%" + option;
        code += "\"";
        if (lines >= 2)
            code += "\n*End";
        return code;
    }

    void Header() {
        char model[64];
        snprintf(model, sizeof model, "QW Synthetic %zu", mWanted);
        Line("*PPD-Adobe: \"4.3\"");
        Line("*% Synthetic vendor PPD for benchmarks and tests; generated, do not edit.");
        Line("*% Copyright (c) QW Printing Systems. All rights reserved.");
        Line("*FormatVersion: \"4.3\"");
        Line("*FileVersion: \"1.2\"");
        Line("*LanguageVersion: English");
        Line("*LanguageEncoding: ISOLatin1");
        Line("*PCFileName: \"QW4300.PPD\"");
        Line("*Manufacturer: \"QW\"");
        Line("*Product: \"(QW Synthetic)\"");
        Line("*PSVersion: \"(3010.000) 0\"");
        Line(std::string("*ModelName: \"") + model + "\"");
        Line(std::string("*ShortNickName: \"") + model + "\"");
        Line(std::string("*NickName: \"") + model + "\"");
        Line("*%QWVersion: 4.3.0");
        Line("*%QWFileVersion: 1.2.0");
        Line("*LanguageLevel: \"3\"");
        Line("*ColorDevice: True");
        Line("*DefaultColorSpace: CMYK");
        Line("*FileSystem: True");
        Line("*Throughput: \"60\"");
        Line("*TTRasterizer: Type42");
        Line("*LandscapeOrientation: Plus90");
        Line("*FreeVM: \"67108864\"");
        Line("");
    }

    // Pages, one scroll pane per page, roll-downs spread over the panes. Groups stay below
    // 900 so that the cache's object numbers of different collections never meet.
    void Layout() {
        size_t pages = std::clamp<size_t>(mWanted / 500, 3, 8);
        size_t rolls = std::clamp<size_t>(mWanted / 25, 4, 880);
        for (size_t p = 1; p <= pages; ++p) {
            std::string words = p == pages ? "App|Prop" : (p % 3 == 0 ? "True|App" : "True");
            Line("*%ZEQPropPage QWPage" + std::to_string(p) + "/" +
                 Text("Page " + std::to_string(p)) + ": \"" + words + "\"");
        }
        for (size_t p = 1; p <= pages; ++p) {
            std::string pane = "QWPane" + std::to_string(p);
            Line("*%ZEQGroupName " + pane + "/" + Text("Pane " + std::to_string(p)) + ": True");
            Line("*%ZEQParent " + pane + "/QWPage" + std::to_string(p) + ": True|Scrollpane");
        }
        mStats.pages = pages;
        mStats.scrollPanes = pages;
        auto rollDown = [&](const std::string& name, const std::string& text, size_t pane) {
            Line("*%ZEQGroupName " + name + "/" + Text(text) + ": True");
            Line("*%ZEQParent " + name + "/QWPane" + std::to_string(pane) + ": True|Rolldown");
            ++mStats.rollDowns;
        };
        for (size_t r = 1; r <= rolls; ++r) {
            std::string name = "QWRoll" + std::to_string(r);
            rollDown(name, "Options " + std::to_string(r), 1 + (r - 1) * pages / rolls);
            mRollDowns.push_back(name);
        }
        rollDown("VPImageShift", "Image Shift", 1);
        rollDown("VPQWNotes", "Job Notes", pages);
        Line("");
    }

    void Installable() {
        Line("*OpenGroup: InstallableOptions/Options Installed");
        for (int i = 1; i <= 3; ++i) {
            std::string key = "*QWOption" + std::to_string(i);
            Line("*%ZEQFlags " + key + ": \"Setup\"");
            Line("*OpenUI " + key + "/" + Text("Installed Unit " + std::to_string(i)) +
                 ": Boolean");
            Line("*Default" + key.substr(1) + ": " + (i == 1 ? "True" : "False"));
            Line(key + " True/Installed: \"\"");
            Line(key + " False/Not Installed: \"\"");
            Line("*CloseUI: " + key);
            Count(kBoolean, true);
        }
        Line("*CloseGroup: InstallableOptions");
        Line("");
    }

    void PageSizes() {
        Line("*%ZEQFlags *PageSize: \"Setup\"");
        Line("*%ZEQGroup *PageSize:" + mRollDowns[0]);
        Line("*OpenUI *PageSize/Page Size: PickOne");
        Line("*OrderDependency: 10 AnySetup *PageSize");
        Line("*DefaultPageSize: A4");
        std::vector<std::string> names;
        for (const PageSize& p : kPageSizes) {
            Line(std::string("*PageSize ") + p.name + "/" + p.text + ": \"<< /PageSize [" +
                 std::to_string(p.width) + " " + std::to_string(p.height) +
                 "] /ImagingBBox null >> setpagedevice\"");
            names.push_back(p.name);
        }
        Line("*CloseUI: *PageSize");
        mChoosable.push_back({"*PageSize", names});
        Count(kPickOne, true);
        Line("*OpenUI *PageRegion: PickOne");
        Line("*OrderDependency: 10 AnySetup *PageRegion");
        Line("*DefaultPageRegion: A4");
        for (const PageSize& p : kPageSizes)
            Line(std::string("*PageRegion ") + p.name + "/" + p.text + ": \"<< /PageSize [" +
                 std::to_string(p.width) + " " + std::to_string(p.height) +
                 "] /ImagingBBox null >> setpagedevice\"");
        Line("*CloseUI: *PageRegion");
        Line("*DefaultImageableArea: A4");
        for (const PageSize& p : kPageSizes)
            Line(std::string("*ImageableArea ") + p.name + "/" + p.text + ": \"12 12 " +
                 std::to_string(p.width - 12) + " " + std::to_string(p.height - 12) + "\"");
        Line("*DefaultPaperDimension: A4");
        for (const PageSize& p : kPageSizes)
            Line(std::string("*PaperDimension ") + p.name + "/" + p.text + ": \"" +
                 std::to_string(p.width) + " " + std::to_string(p.height) + "\"");
        Line("");
    }

    void ImageShift() {
        auto boolean = [&](const char* key, const char* text, bool on) {
            Line(std::string("*%ZEQFlags ") + key + ": \"Setup\"");
            Line(std::string("*%ZEQGroup ") + key + ":VPImageShift");
            Line(std::string("*OpenUI ") + key + "/" + text + ": Boolean");
            Line(std::string("*OrderDependency: 60 AnySetup ") + key);
            Line(std::string("*Default") + (key + 1) + ": " + (on ? "True" : "False"));
            Line(std::string(key) + " True/On: \"userdict /" + (key + 1) + " true put\"");
            Line(std::string(key) + " False/Off: \"userdict /" + (key + 1) + " false put\"");
            Line(std::string("*CloseUI: ") + key);
            mChoosable.push_back({key, {"True", "False"}});
            Count(kBoolean, true);
        };
        boolean("*QWImageFlag", "Image Shift", false);
        Line("*%ZEQFlags *QWImageUnit: \"Setup\"");
        Line("*%ZEQGroup *QWImageUnit:VPImageShift");
        Line("*OpenUI *QWImageUnit/Units: PickOne");
        Line("*OrderDependency: 60 AnySetup *QWImageUnit");
        Line("*DefaultQWImageUnit: Points");
        Line("*QWImageUnit MM/Millimetres: \"userdict /QWImageUnit 3 put\"");
        Line("*QWImageUnit Inches/Inches: \"userdict /QWImageUnit 2 put\"");
        Line("*QWImageUnit Points/Points: \"userdict /QWImageUnit 1 put\"");
        Line("*CloseUI: *QWImageUnit");
        mChoosable.push_back({"*QWImageUnit", {"MM", "Inches", "Points"}});
        Count(kPickOne, true);
        boolean("*QWImageAlign", "Align Back to Front", false);
        const char* const offsets[][2] = {{"*QWImageFrontX", "Front X Offset"},
                                          {"*QWImageFrontY", "Front Y Offset"},
                                          {"*QWImageBackX", "Back X Offset"},
                                          {"*QWImageBackY", "Back Y Offset"}};
        for (const auto& o : offsets) {
            std::string key = o[0];
            Line("*%ZEQFlags " + key + ": \"Setup\"");
            Line("*%ZEQGroup " + key + ":VPImageShift");
            Line("*%ZEQRange " + key + "/" + o[1] + ": (-3600;3600;1;0) \"<< /" + key.substr(1) +
                 " <" + key + "> >> setpagedevice\"");
            Count(kRange, false);
        }
        Line("");
    }

    enum Kind { kPickOne, kPickMany, kBoolean, kRange, kBlockNote, kSoloNote, kSpecial };

    void Count(Kind kind, bool standard) {
        ++mStats.controls;
        if (standard)
            ++mStats.standardUI;
        switch (kind) {
            case kPickOne:
                ++mStats.pickOne;
                break;
            case kPickMany:
                ++mStats.pickMany;
                break;
            case kBoolean:
                ++mStats.booleans;
                break;
            case kRange:
                ++mStats.ranges;
                break;
            case kBlockNote:
                ++mStats.blockJobNotes;
                break;
            case kSoloNote:
                ++mStats.soloJobNotes;
                break;
            case kSpecial:
                ++mStats.specialOptions;
                break;
        }
    }

    void Controls() {
        size_t rolls = mRollDowns.size();
        size_t remaining = mWanted > mStats.controls ? mWanted - mStats.controls : 0;
        std::string group;
        for (size_t i = 0; i < remaining; ++i) {
            std::string stem = kStems[mRandom.Below(kStemCount)];
            std::string key = "*QW" + stem + std::to_string(i + 1);
            const std::string& roll = mRollDowns[i * rolls / std::max<size_t>(remaining, 1)];
            // The controls of one roll-down also form one standard option group.
            if (roll != group) {
                if (!group.empty())
                    Line("*CloseGroup: " + group);
                group = roll;
                Line("*OpenGroup: " + group + "/" + Text("Options of " + group));
            }
            size_t pick = mRandom.Below(100);
            if (pick < 45)
                Popup(key, stem, roll, false, i);
            else if (pick < 55)
                Popup(key, stem, roll, true, i);
            else if (pick < 73)
                Boolean(key, stem, roll, i);
            else if (pick < 83)
                Range(key, stem, roll, i);
            else if (pick < 89)
                BlockNote(key, stem, roll, i);
            else if (pick < 93)
                SoloNote(key, stem, i);
            else
                Special(key, stem, i);
        }
        if (!group.empty())
            Line("*CloseGroup: " + group);
        Line("");
    }

    // Opening and closing spellings: mostly the standard pair, now and then a vendor one.
    void OpenClose(size_t index, const char*& open, const char*& close, bool& standard) {
        static const char* const kOpen[] = {"*QWOpenUI", "*OpenUIZEQ", "*BeginUI"};
        static const char* const kClose[] = {"*QWCloseUI", "*CloseUIZEQ", "*EndUI"};
        standard = index % 41 != 17;
        open = standard ? "*OpenUI" : kOpen[index % 3];
        close = standard ? "*CloseUI" : kClose[index % 3];
    }

    void BlockStart(const std::string& key, const std::string& roll) {
        Line("*%ZEQFlags " + key + ": " + Flags());
        Line("*%ZEQGroup " + key + ":" + roll);
    }

    void Popup(const std::string& key, const std::string& stem, const std::string& roll, bool many,
               size_t index) {
        const char *open, *close;
        bool standard;
        OpenClose(index, open, close, standard);
        BlockStart(key, roll);
        Line(std::string(open) + " " + key + "/" + Text(stem + " " + std::to_string(index + 1)) +
             ": " + (many ? "PickMany" : "PickOne"));
        Line("*OrderDependency: " + std::to_string(20 + index % 80) + " AnySetup " + key);
        size_t count = 3 + mRandom.Below(6);
        size_t first = mRandom.Below(kOptionCount);
        std::vector<std::string> options;
        for (size_t k = 0; k < count; ++k)
            options.push_back(kOptionNames[(first + k) % kOptionCount]);
        Line("*Default" + key.substr(1) + ": " + options[mRandom.Below(count)]);
        size_t lines = CodeLines();
        // About half of the option lines carry a translation string.
        bool translated = mRandom.Below(2);
        for (size_t k = 0; k < count; ++k) {
            std::string option = key + " " + options[k];
            if (translated) {
                option += '/';
                option += Text(options[k]);
            }
            Line(option + ": " + Code(key, options[k], k + 1, lines));
        }
        Line(std::string(close) + ": " + key);
        if (index % 20 == 3)
            mShortcutTargets.push_back(key);
        mChoosable.push_back({key, std::move(options)});
        Count(many ? kPickMany : kPickOne, standard);
    }

    void Boolean(const std::string& key, const std::string& stem, const std::string& roll,
                 size_t index) {
        const char *open, *close;
        bool standard;
        OpenClose(index, open, close, standard);
        BlockStart(key, roll);
        Line(std::string(open) + " " + key + "/" + Text(stem + " " + std::to_string(index + 1)) +
             ": Boolean");
        Line("*OrderDependency: " + std::to_string(20 + index % 80) + " AnySetup " + key);
        Line("*Default" + key.substr(1) + ": " + (mRandom.Below(2) ? "True" : "False"));
        size_t lines = CodeLines();
        Line(key + " True/On: " + Code(key, "True", 1, lines));
        Line(key + " False/Off: " + Code(key, "False", 2, lines));
        Line(std::string(close) + ": " + key);
        if (index % 20 == 7)
            mShortcutTargets.push_back(key);
        mChoosable.push_back({key, {"True", "False"}});
        Count(kBoolean, standard);
    }

    void Range(const std::string& key, const std::string& stem, const std::string& roll,
               size_t index) {
        BlockStart(key, roll);
        long lo = -mRandom.Between(0, 50) * 10, hi = mRandom.Between(1, 100) * 10;
        long step = mRandom.Between(1, 5);
        long def = lo + (hi - lo) / 2 / step * step;
        Line(std::string(index % 3 ? "*%ZEQRange " : "*%ZEQUnitRange ") + key + "/" +
             Text(stem + " " + std::to_string(index + 1)) + ": (" + std::to_string(lo) + ";" +
             std::to_string(hi) + ";" + std::to_string(step) + ";" + std::to_string(def) +
             ") \"<< /" + key.substr(1) + " <" + key + "> >> setpagedevice\"");
        Count(kRange, false);
    }

    std::string NoteWords(bool block) {
        std::string words = std::to_string(mRandom.Between(8, 127));
        size_t n = 1 + mRandom.Below(3);
        for (size_t k = 0; k < n; ++k)
            words += std::string("|") + kJobNoteWords[mRandom.Below(kJobNoteWordCount)];
        if (block && mRandom.Below(3) == 0)
            words += "|MinLength" + std::to_string(mRandom.Between(1, 12));
        return words;
    }

    // After a note: a default line, a code line, or nothing.
    void NoteTail(const std::string& key) {
        switch (mRandom.Below(3)) {
            case 0:
                Line("*%Default" + key.substr(1) + ": \"Department " +
                     std::to_string(mRandom.Between(1, 99)) + "\"");
                break;
            case 1:
                Line("*%" + key.substr(1) + ": \"(<" + key + ">) /" + key.substr(1) +
                     " exch def\"");
                break;
            default:
                break;
        }
    }

    void BlockNote(const std::string& key, const std::string& stem, const std::string& roll,
                   size_t index) {
        BlockStart(key, roll);
        Line("*%ZEQJobNote " + key + "/" + Text(stem + " Note " + std::to_string(index + 1)) +
             ": " + NoteWords(true));
        NoteTail(key);
        Count(kBlockNote, false);
    }

    void SoloNote(const std::string& key, const std::string& stem, size_t index) {
        Line("*%ZEQJobNote " + key + "/" + Text(stem + " Note " + std::to_string(index + 1)) +
             ": \"" + NoteWords(false) + "\"");
        NoteTail(key);
        Count(kSoloNote, false);
    }

    void Special(const std::string& key, const std::string& stem, size_t index) {
        Line("*%ZEQSpecialOption " + key + ": " + stem + " value " + std::to_string(index + 1));
        Count(kSpecial, false);
    }

    // *UIConstraints (about a quarter of the control count), vendor constraints and
    // requirements, between random controls and options; some name no first option.
    void Constraints() {
        if (mChoosable.size() < 2)
            return;
        auto pair = [&](bool firstOption) {
            const Choosable& a = mChoosable[mRandom.Below(mChoosable.size())];
            const Choosable* b = &mChoosable[mRandom.Below(mChoosable.size())];
            if (b == &a)
                b = &mChoosable[(b - mChoosable.data() + 1) % mChoosable.size()];
            std::string text = a.keyword;
            if (firstOption)
                text += " " + a.options[mRandom.Below(a.options.size())];
            return text + " " + b->keyword + " " + b->options[mRandom.Below(b->options.size())];
        };
        size_t ui = std::max<size_t>(mWanted / 4, 1);
        for (size_t k = 0; k < ui; ++k) {
            std::string c = pair(k % 9 != 4);
            Line("*UIConstraints: " + c);
            ++mStats.uiConstraints;
        }
        size_t vendor = std::max<size_t>(mWanted / 40, 1);
        for (size_t k = 0; k < vendor; ++k) {
            Line("*%ZEQUIConstraints: " + pair(true));
            ++mStats.vendorConstraints;
            Line("*%ZEQUIRequires: " + pair(true));
            ++mStats.requirements;
        }
        Line("");
    }

    void Shortcuts() {
        for (const std::string& key : mShortcutTargets) {
            Line("*%QWShortcut " + key);
            ++mStats.shortcuts;
        }
        Line("");
    }

    void Fonts() {
        Line("*DefaultFont: Courier");
        for (const char* font : kFonts)
            Line(std::string("*Font ") + font + ": Standard \"(001.006S)\" Standard ROM");
    }

    void Measure() {
        size_t start = 0;
        while (start < mOut.size()) {
            size_t end = mOut.find('\n', start);
            if (end == std::string::npos)
                end = mOut.size();
            ++mStats.lines;
            mStats.longestLine = std::max(mStats.longestLine, end - start);
            start = end + 1;
        }
    }
};

}  // namespace

std::string GenerateSyntheticPPD(size_t controls, SyntheticPPDStats* stats) {
    SyntheticPPDStats local;
    SyntheticPPDStats& s = stats ? *stats : local;
    s = SyntheticPPDStats();
    Writer writer(controls, s);
    return writer.Run();
}

bool WriteSyntheticPPD(size_t controls, const char* path, SyntheticPPDStats* stats) {
    std::string text = GenerateSyntheticPPD(controls, stats);
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = fclose(file) == 0 && ok;
    return ok;
}
