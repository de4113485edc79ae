// The subcommands of `zeqppd` and what they share: the command table entry, the exit
// statuses and the loading of a PPD file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

class PPDXControl;
class ZEQPPD;

// Exit statuses of every command.
enum {
    kExitOK = 0,      // done; for check: the PPD is valid and was read to its end
    kExitFailed = 1,  // check: the PPD is not valid or not read to its end; every command: the
                      // PC file name is not one of those given; emit, constraints: a keyword
                      // or value that the PPD does not have or does not allow; cache: a model
                      // that cannot be saved, or a file that holds no usable cache
    kExitUsage = 2,   // a usage error, or a file that cannot be read (or written)
};

// Runs a command once the command line has been parsed; returns the exit status.
using CommandRunner = std::function<int()>;

// One subcommand: its name, its one-line help, and the function that declares its arguments
// and options on the subcommand and returns the runner that uses them.
struct ZeqppdCommand {
    const char* name;
    const char* help;
    CommandRunner (*declare)(CLI::App& command);
};

// The commands, each in its own function (tools/zeqppd.cpp, tools/ZeqppdConstraints.cpp). A
// new command adds its declare function here and a row to the table in zeqppd.cpp.
CommandRunner DeclareCheck(CLI::App& command);
CommandRunner DeclareDump(CLI::App& command);
CommandRunner DeclareEmit(CLI::App& command);
CommandRunner DeclareConstraints(CLI::App& command);

// Declares the FILE argument and the --pcfilename option shared by the commands.
void DeclareFileOptions(CLI::App& command, std::string& file,
                        std::vector<std::string>& pcFileNames);

// Deletes a parsed PPD.
struct ZEQPPDDeleter {
    void operator()(ZEQPPD* ppd) const;
};
using ZEQPPDPtr = std::unique_ptr<ZEQPPD, ZEQPPDDeleter>;

// Parses `path` the way the system does (parse options 3) with the given acceptable PC file
// names (none: no printer check). Returns null, with the reason on standard error and the exit
// status in `status`, when there is no model to use: "zeqppd: PATH: cannot read file: REASON"
// (kExitUsage) for a file that is missing, a directory, empty or unreadable to the parser;
// "zeqppd: PATH: the PC file name is not one of NAMES; the PPD was not read" (kExitFailed)
// when the printer check refuses it.
ZEQPPDPtr LoadPPD(const std::string& path, const std::vector<std::string>& pcFileNames,
                  int& status);

// Why a model is not valid, for a message: its first fatal error with its line, or the header.
std::string InvalidReason(ZEQPPD& ppd);

// Writes "zeqppd: PATH: MESSAGE" to standard error.
void ReportError(const std::string& path, const std::string& message);

// The control with exactly `keyword`, the first in flat-list order; a keyword given without
// its leading "*" is also looked up with it. Null when there is none.
PPDXControl* FindControl(ZEQPPD& ppd, const std::string& keyword);

// A whole decimal integer (optional sign, no other characters).
bool ParseInteger(const std::string& text, long& value);
