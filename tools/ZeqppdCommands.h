// The subcommands of `zeqppd` and what they share: the command table entry, the exit
// statuses and the loading of a PPD file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

class ZEQPPD;

// Exit statuses of every command.
enum {
    kExitOK = 0,      // done; for check: the PPD is valid
    kExitFailed = 1,  // check: the PPD is not valid; emit, constraints: a keyword or value
                      // that the PPD does not have
    kExitUsage = 2,   // a usage error, or a file that cannot be read
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

// The commands, each in its own function (tools/zeqppd.cpp). A new command adds its declare
// function here and a row to the table in zeqppd.cpp.
CommandRunner DeclareCheck(CLI::App& command);
CommandRunner DeclareDump(CLI::App& command);
CommandRunner DeclareEmit(CLI::App& command);
CommandRunner DeclareConstraints(CLI::App& command);

// Deletes a parsed PPD.
struct ZEQPPDDeleter {
    void operator()(ZEQPPD* ppd) const;
};
using ZEQPPDPtr = std::unique_ptr<ZEQPPD, ZEQPPDDeleter>;

// Parses `path` the way the system does (parse options 3) with the given acceptable PC file
// names (none: no printer check). When the file cannot be read, writes
// "zeqppd: PATH: cannot read file: REASON" to standard error and returns null.
ZEQPPDPtr LoadPPD(const std::string& path, const std::vector<std::string>& pcFileNames);

// Writes "zeqppd: PATH: MESSAGE" to standard error.
void ReportError(const std::string& path, const std::string& message);
