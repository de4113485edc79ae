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

// The bundle beside the program in the build folder, else the installed one.
std::string FindBundle() {
    const std::string dir = ExecutableDir();
    for (const std::string& candidate :
         {dir + "/../ImageShift.plugin", dir + "/../lib/imageshift/ImageShift.plugin"})
        if (IsDir(candidate))
            return candidate;
    return {};
}

// The sample printer: installed beside the program, else in the source tree it was built from.
std::string FindSamplePPD() {
    const std::string dir = ExecutableDir();
    for (const std::string& candidate :
         {dir + "/../share/imageshift/examples/QW4300.ppd", std::string(ZEQ_EXAMPLES "/QW4300.ppd")})
        if (IsReadableFile(candidate))
            return candidate;
    return {};
}

std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string Dump(const nlohmann::ordered_json& state) {
    return state.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintForPerson(PrintDialogHost& host, const PrintDialogHost::Printer& printer, std::FILE* out) {
    std::fprintf(out, "Printer: %s (%s)\n", printer.name.c_str(), printer.ppdPath.c_str());
    if (!host.Active()) {
        std::fprintf(out,
                     "The Image Shift panel does not apply to this printer: its PPD is not one of "
                     "the supported printers, or it has no Image Shift controls.\n");
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
    std::fprintf(out, "Job ticket: %s%s\n", ticket.path.c_str(), why.empty() ? "" : (" " + why).c_str());
    for (const auto& [site, text] : ticket.entries)
        std::fprintf(out, "  %4ld  %s\n", site, text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"A print dialog without a display that runs the Image Shift panel on one printer."};
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
    CLI11_PARSE(app, argc, argv);

    // Only this program's own output goes to standard output.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    dup2(STDERR_FILENO, STDOUT_FILENO);

    if (ppd.empty())
        ppd = FindSamplePPD();
    if (ppd.empty() || !IsReadableFile(ppd)) {
        std::fprintf(stderr, "imageshift-dialog: %s: cannot read the PPD\n", ppd.empty() ? "the sample printer" : ppd.c_str());
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
                std::fprintf(stderr, "imageshift-dialog: %s: cannot read the script\n", script.c_str());
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
        printer.ppdPath = line.rest;
        host.SwitchPrinter(line.rest);
        return "";
    });
    if (!runner.Parse(scriptText, &lines, &errors)) {
        for (const ScriptError& e : errors)
            std::fprintf(stderr, "imageshift-dialog: %s: %s\n", script.c_str(), FormatScriptError(e).c_str());
        return kUsage;
    }

    if (!host.OpenPrinter(printer)) {
        std::fprintf(stderr, "imageshift-dialog: %s\n", host.Error().c_str());
        return kUsage;
    }
    // One action at a time, so that the dialog ends at a print that goes through or a cancel;
    // the blank lines keep each action's line number for its error messages.
    std::ostringstream dumps;
    for (const ScriptLine& line : lines) {
        if (done)
            break;
        std::string text(static_cast<size_t>(line.line - 1), '\n');
        text += line.action + (line.rest.empty() ? "" : " " + line.rest);
        std::vector<ScriptError> runErrors;
        if (!runner.Run(text, dumps, &runErrors)) {
            for (const ScriptError& e : runErrors)
                std::fprintf(stderr, "imageshift-dialog: %s: %s\n", script.c_str(), FormatScriptError(e).c_str());
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
        PrintForPerson(host, printer, out);
    host.Finish();
    std::fclose(out);
    return active ? kPrintedOrCancelled : kDeclined;
}
