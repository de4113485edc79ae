// Replays a fuzz target's corpus without libFuzzer: every file named on the command line, and
// every file under every directory named there, goes once through LLVMFuzzerTestOneInput.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Collect(const std::string& path, std::vector<std::string>& files) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return;
    if (S_ISREG(st.st_mode)) {
        files.push_back(path);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.')
            names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        Collect(path + "/" + name, files);
}

bool Read(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        Collect(argv[i], files);
    if (files.empty()) {
        fprintf(stderr, "%s: no input files\n", argv[0]);
        return 1;
    }
    std::vector<uint8_t> bytes;
    for (const std::string& path : files) {
        if (!Read(path, bytes)) {
            perror(path.c_str());
            return 1;
        }
        // An empty vector has no data pointer; libFuzzer passes a valid one, so do the same.
        static const uint8_t kEmpty = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &kEmpty : bytes.data(), bytes.size());
    }
    printf("%s: replayed %zu inputs\n", argv[0], files.size());
    return 0;
}
