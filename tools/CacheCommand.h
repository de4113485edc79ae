// `zeqppd cache`: saves the parsed model of a PPD as a settings stream, and rebuilds a model
// from such a stream and dumps it as `zeqppd dump` does.
#pragma once

#include "tools/ZeqppdCommands.h"

// Declares the subcommands "save PPD CACHE" and "load CACHE [--ppd PPD] [--json]" on `command`.
CommandRunner DeclareCache(CLI::App& command);
