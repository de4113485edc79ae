// Keeps a command-line program's own output apart from the lines the PPD library prints on
// standard output (a note about the UTF-8 encoding, debug messages when PDEDebug is set).
#pragma once

#include <cstdio>

// Moves descriptor 1 (and so the C `stdout` and everything the library prints there) onto
// standard error for the rest of the run, and returns a stream on the real standard output for
// the program's own output. Call it once the command line has been read (help texts go to
// the real standard output before it) and before the library runs; later calls return the same
// stream. When the descriptors cannot be arranged, the result is `stdout` itself.
std::FILE* SeparateLibraryOutput();

// The program's own output: the stream SeparateLibraryOutput returned, or `stdout` before it
// was called.
std::FILE* ToolOutput();
