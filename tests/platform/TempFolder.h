// Tests' temporary folders: made under /tmp, filled with files by relative path, removed with
// everything in them at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/zeqtest_XXXXXX";
        if (mkdtemp(pattern))
            mPath = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!mPath.empty())
            std::filesystem::remove_all(mPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `bytes` to the file at `relative`, making the folders on the way.
    void Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = mPath + "/" + relative;
        std::error_code ignored;
        std::filesystem::create_directories(file.parent_path(), ignored);
        std::ofstream(file, std::ios::binary) << bytes;
    }
    // Empty when the folder could not be made.
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};
