// The program's own standard output beside the library's, which goes to standard error.
#include "tools/ToolOutput.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

std::FILE* gToolOutput = nullptr;

}  // namespace

std::FILE* SeparateLibraryOutput() {
    if (gToolOutput != nullptr) {
        return gToolOutput;
    }
    gToolOutput = stdout;
    std::fflush(stdout);
    const int own = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (own < 0) {
        return gToolOutput;
    }
    std::FILE* stream = ::fdopen(own, "w");
    if (stream == nullptr) {
        ::close(own);
        return gToolOutput;
    }
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fclose(stream);
        return gToolOutput;
    }
    // Library lines now share standard error with the program's messages: written line by
    // line, they stay in order with them.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    gToolOutput = stream;
    return gToolOutput;
}

std::FILE* ToolOutput() {
    return gToolOutput != nullptr ? gToolOutput : stdout;
}
