// imageshift-dialog: a print dialog without a display that loads the Image Shift plug-in
// bundle, opens its panel on one printer, lets a script act as the person in front of it,
// and prints: the summary, the job ticket for the printer's filter and the kept settings.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include "platform/CoreFoundation.h"
#include "platform/controls/UserScript.h"
#include "tools/PrintDialogHost.h"

namespace {

enum ExitCode { kPrintedOrCancelled = 0, kDeclined = 1, kUsage = 2 };

std::string ExecutableDir() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    path[n] = '\0';
    std::string p(path);
    return p.substr(0, p.rfind('/'));
}

bool IsDir(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

// A folder of the installation: under the prefix, the folder above the program's own, unless
// the build was configured with an absolute one.
std::string Installed(const std::string& programDir, const std::string& folder) {
    if (folder.rfind('/', 0) == 0)
        return folder;
    return programDir.substr(0, programDir.rfind('/')) + "/" + folder;
}

// The bundle beside the program in the build folder, else the installed one.
std::string FindBundle() {
    const std::string dir = ExecutableDir();
    for (const std::string& candidate :
         {dir + "/../ImageShift.plugin",
          Installed(dir, ZEQ_INSTALL_LIBDIR) + "/imageshift/ImageShift.plugin"})
        if (IsDir(candidate))
            return candidate;
    return {};
}

// The sample printer: installed beside the program, else in the source tree it was built from.
std::string FindSamplePPD() {
    const std::string dir = ExecutableDir();
    for (const std::string& candidate :
         {Installed(dir, ZEQ_INSTALL_DATADIR) + "/imageshift/examples/QW4300.ppd",
          std::string(ZEQ_EXAMPLES "/QW4300.ppd")})
        if (IsReadableFile(candidate))
            return candidate;
    return {};
}

std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The printer's PC file name as its PPD gives it near the top ("" when it gives none).
std::string PCFileName(const std::string& ppdPath) {
    std::ifstream file(ppdPath, std::ios::binary);
    std::string head(4096, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(file.gcount()));
    size_t at = head.find("*PCFileName:");
    if (at == std::string::npos)
        return {};
    size_t end = head.find_first_of("\r\n", at);
    std::string value = head.substr(at + 12, end == std::string::npos ? end : end - at - 12);
    value.erase(0, value.find_first_not_of(" \t\""));
    value.erase(value.find_last_not_of(" \t\"") + 1);
    return value;
}

// Whether the bundle's list of supported printers names that PC file name.
bool IsListedPrinter(const std::string& bundlePath, const std::string& pcFileName) {
    std::ifstream file(bundlePath + "/Contents/PrinterList.plist", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string bytes = text.str();
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()),
                                  static_cast<CFIndex>(bytes.size()));
    CFPropertyListRef list =
        data ? CFPropertyListCreateWithData(kCFAllocatorDefault, data, kCFPropertyListImmutable,
                                            nullptr, nullptr)
             : nullptr;
    bool listed = false;
    if (list && CFGetTypeID(list) == CFDictionaryGetTypeID()) {
        CFTypeRef names =
            CFDictionaryGetValue(static_cast<CFDictionaryRef>(list), CFSTR("PCFILENAME"));
        for (CFIndex i = 0; names && CFGetTypeID(names) == CFArrayGetTypeID() &&
                            i < CFArrayGetCount(static_cast<CFArrayRef>(names));
             ++i) {
            CFTypeRef name = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(names), i);
            char buffer[256];
            if (name && CFGetTypeID(name) == CFStringGetTypeID() &&
                CFStringGetCString(static_cast<CFStringRef>(name), buffer, sizeof buffer,
                                   kCFStringEncodingUTF8) &&
                buffer[0] != '\0' && pcFileName.find(buffer) != std::string::npos)
                listed = true;
        }
    }
    if (list)
        CFRelease(list);
    if (data)
        CFRelease(data);
    return listed;
}

// Why the extension declined the printer, as far as the dialog can tell from the outside.
std::string DeclineReason(const std::string& ppdPath, const std::string& bundlePath) {
    const std::string name = PCFileName(ppdPath);
    if (name.empty())
        return "its PPD gives no *PCFileName, so it is none of the printers the extension supports";
    if (!IsListedPrinter(bundlePath, name))
        return "its PC file name \"" + name +
               "\" is not in the extension's list of supported printers (PrinterList.plist)";
    return "its PPD lacks the Image Shift controls (the four ranges *QWImageFrontX, "
           "*QWImageFrontY, "
           "*QWImageBackX and *QWImageBackY in the group VPImageShift, VPFinishing or VPLayout)";
}

std::string Dump(const nlohmann::ordered_json& state) {
    return state.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintForPerson(PrintDialogHost& host, const PrintDialogHost::Printer& printer,
                    const std::string& bundlePath, std::FILE* out) {
    std::fprintf(out, "Printer: %s (%s)\n", printer.name.c_str(), printer.ppdPath.c_str());
    if (!host.Active()) {
        std::fprintf(out, "The Image Shift panel does not apply to this printer: %s.\n",
                     DeclineReason(printer.ppdPath, bundlePath).c_str());
        return;
    }
    std::fprintf(out, "%s\n", host.Printed() ? "Printed." : "Cancelled.");
    for (const auto& [title, value] : host.Summary())
        std::fprintf(out, "  %s: %s\n", title.c_str(), value.c_str());
    if (!host.Printed())
        return;
    PrintDialogHost::JobTicketFile ticket;
    std::string why;
    if (!host.ReadJobTicket(ticket, &why)) {
        std::fprintf(out, "No job ticket was written.\n");
        return;
    }
    std::fprintf(out, "Job ticket: %s%s\n", ticket.path.c_str(),
                 why.empty() ? "" : (" " + why).c_str());
    for (const auto& [site, text] : ticket.entries)
        std::fprintf(out, "  %4ld  %s\n", site, text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "A print dialog without a display that runs the Image Shift panel on one printer."};
    app.set_version_flag("--version", "imageshift-dialog " ZEQ_VERSION);
    std::string ppd, uri, name, settings, script, plugin;
    bool json = false;
    app.add_option("--ppd", ppd, "the printer's PPD (default: the sample printer)");
    app.add_option("--uri", uri, "the printer's device URI (default: usb://localhost/NAME)");
    app.add_option("--name", name, "the printer's name (default: the PPD's file name)");
    app.add_option("--settings", settings,
                   "print settings kept between runs (an XML ticket file; created when missing)");
    app.add_option("--script", script, "the person's actions, one a line ('-': standard input)");
    app.add_option("--plugin", plugin, "the plug-in bundle (default: the one built or installed)");
    app.add_flag("--json", json, "write the final state as one JSON object");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }

    // Only this program's own output goes to standard output.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    dup2(STDERR_FILENO, STDOUT_FILENO);

    if (ppd.empty())
        ppd = FindSamplePPD();
    if (ppd.empty() || !IsReadableFile(ppd)) {
        std::fprintf(stderr, "imageshift-dialog: %s: cannot read the PPD\n",
                     ppd.empty() ? "the sample printer" : ppd.c_str());
        return kUsage;
    }
    std::string scriptText;
    if (!script.empty()) {
        std::stringstream buffer;
        if (script == "-") {
            buffer << std::cin.rdbuf();
        } else {
            std::ifstream file(script);
            if (!file || IsDir(script)) {
                std::fprintf(stderr, "imageshift-dialog: %s: cannot read the script\n",
                             script.c_str());
                return kUsage;
            }
            buffer << file.rdbuf();
        }
        scriptText = buffer.str();
    }
    if (plugin.empty())
        plugin = FindBundle();
    if (plugin.empty()) {
        std::fprintf(stderr, "imageshift-dialog: the ImageShift.plugin bundle was not found\n");
        return kUsage;
    }

    PrintDialogHost host;
    PrintDialogHost::Printer printer{ppd, uri, name.empty() ? BaseName(ppd) : name};
    if (printer.deviceURI.empty())
        printer.deviceURI = "usb://localhost/" + printer.name;
    if (!host.LoadPlugIn(plugin) || (!settings.empty() && !host.UseSettingsFile(settings))) {
        std::fprintf(stderr, "imageshift-dialog: %s\n", host.Error().c_str());
        return kUsage;
    }

    UserScript runner(host.User());
    std::vector<ScriptLine> lines;
    std::vector<ScriptError> errors;
    bool done = false;
    runner.SetDumpHook([&](nlohmann::ordered_json& state) { host.AddState(state); });
    runner.AddAction("orientation", [&](const ScriptLine& line) -> std::string {
        if (line.words.size() != 1 || (line.words[0] != "portrait" && line.words[0] != "landscape"))
            return "orientation takes portrait or landscape";
        host.SetOrientation(line.words[0] == "portrait");
        return "";
    });
    runner.AddAction("print", [&](const ScriptLine& line) -> std::string {
        if (!line.words.empty())
            return "print takes no words";
        done = host.ClickPrint();
        return "";
    });
    runner.AddAction("cancel", [&](const ScriptLine& line) -> std::string {
        if (!line.words.empty())
            return "cancel takes no words";
        done = true;
        return "";
    });
    runner.AddAction("reload", [&](const ScriptLine& line) -> std::string {
        if (!line.words.empty())
            return "reload takes no words";
        host.Reload();
        return "";
    });
    runner.AddAction("printer", [&](const ScriptLine& line) -> std::string {
        if (line.rest.empty())
            return "printer takes the path of a PPD";
        if (!IsReadableFile(line.rest))
            return line.rest + ": cannot read the PPD";
        // Another printer of the same kind, named after its PPD.
        printer.ppdPath = line.rest;
        printer.name = BaseName(line.rest);
        printer.deviceURI = "usb://localhost/" + printer.name;
        if (!host.SwitchPrinter(printer))
            return host.Error();
        return "";
    });
    if (!runner.Parse(scriptText, &lines, &errors)) {
        for (const ScriptError& e : errors)
            std::fprintf(stderr, "imageshift-dialog: %s: %s\n", script.c_str(),
                         FormatScriptError(e).c_str());
        return kUsage;
    }

    if (!host.OpenPrinter(printer)) {
        std::fprintf(stderr, "imageshift-dialog: %s\n", host.Error().c_str());
        return kUsage;
    }
    // One action at a time, so that the dialog ends at a print that goes through or a cancel;
    // errors are reported with the action's line in the script.
    std::ostringstream dumps;
    for (const ScriptLine& line : lines) {
        if (done)
            break;
        const std::string text = line.action + (line.rest.empty() ? "" : " " + line.rest);
        std::vector<ScriptError> runErrors;
        const bool panelAction = line.action == "type" || line.action == "click" ||
                                 line.action == "hold" || line.action == "key";
        if (runner.Run(text, dumps, &runErrors))
            continue;
        if (panelAction && !host.Active()) {
            // A printer the extension declined shows no panel: the person cannot act on it.
            std::fprintf(stderr,
                         "imageshift-dialog: %s: line %d: skipped, the Image Shift panel is not "
                         "shown for this printer\n",
                         script.c_str(), line.line);
        } else {
            for (const ScriptError& e : runErrors)
                std::fprintf(stderr, "imageshift-dialog: %s: %s\n", script.c_str(),
                             FormatScriptError({line.line, e.message}).c_str());
            std::fputs(dumps.str().c_str(), out);
            host.Finish();
            return kUsage;
        }
    }
    std::fputs(dumps.str().c_str(), out);
    const bool active = host.Active();
    if (json)
        std::fprintf(out, "%s\n", Dump(runner.State()).c_str());
    else
        PrintForPerson(host, printer, plugin, out);
    host.Finish();
    std::fclose(out);
    return active ? kPrintedOrCancelled : kDeclined;
}
