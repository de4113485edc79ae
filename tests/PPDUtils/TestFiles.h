// Temporary files for the PPDUtils and parser tests: written on construction, removed on
// destruction, named by an FSSpec the File Manager made.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Files.h"

class TempFile {
public:
    explicit TempFile(const std::string& content) {
        char pattern[] = "/tmp/zeqbase_XXXXXX";
        int fd = mkstemp(pattern);
        if (fd < 0)
            return;
        mPath = pattern;
        size_t done = 0;
        while (done < content.size()) {
            ssize_t n = write(fd, content.data() + done, content.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        close(fd);
    }
    ~TempFile() {
        if (!mPath.empty())
            unlink(mPath.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return mPath; }

    // The FSSpec of the file (an absolute path is accepted as the name).
    FSSpec Spec() const { return SpecFor(mPath); }

    static FSSpec SpecFor(const std::string& path) {
        Str255 name;
        size_t n = path.size() < 255 ? path.size() : 255;
        name[0] = static_cast<unsigned char>(n);
        std::memcpy(name + 1, path.data(), n);
        FSSpec spec;
        std::memset(&spec, 0, sizeof spec);
        FSMakeFSSpec(0, 0, name, &spec);
        return spec;
    }

    // The FSSpec's name as a C string (for the volume/directory/name constructors).
    static std::string NameOf(const FSSpec& spec) {
        return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
    }

private:
    std::string mPath;
};
