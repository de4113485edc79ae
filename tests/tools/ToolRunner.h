// Runs a program of the build (zeqppd, ppdinfo, imageshift-dialog) with arguments and collects
// its exit status, standard output and standard error; helpers to read zeqppd's JSON dump.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

extern char** environ;

struct ToolResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `args`, `input` on its standard input and its standard output and
// standard error going to temporary files.
inline ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& input = "") {
    ToolResult result;
    char inName[] = "/tmp/zeq-tool-in-XXXXXX";
    char outName[] = "/tmp/zeq-tool-out-XXXXXX";
    char errName[] = "/tmp/zeq-tool-err-XXXXXX";
    const int inFd = mkstemp(inName);
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    if (inFd < 0 || outFd < 0 || errFd < 0) {
        ADD_FAILURE() << "cannot create temporary files";
        return result;
    }
    if (write(inFd, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
        lseek(inFd, 0, SEEK_SET) != 0) {
        ADD_FAILURE() << "cannot write the standard input";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inFd, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);

    std::vector<std::string> storage;
    storage.push_back(program);
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(inFd);
    close(outFd);
    close(errFd);
    if (spawned == 0) {
        int wstatus = 0;
        if (waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
            result.status = WEXITSTATUS(wstatus);
        }
    } else {
        ADD_FAILURE() << "cannot start " << program;
    }
    result.out = ReadWholeFile(outName);
    result.err = ReadWholeFile(errName);
    unlink(inName);
    unlink(outName);
    unlink(errName);
    return result;
}

#ifdef ZEQPPD_PATH
// Runs zeqppd with `args`.
inline ToolResult RunTool(const std::vector<std::string>& args) {
    return RunProgram(ZEQPPD_PATH, args);
}
#endif

inline std::string DataFile(const std::string& name) {
    return std::string(ZEQ_TEST_DATA) + "/" + name;
}

inline std::string SampleFile() {
    return std::string(ZEQ_EXAMPLES) + "/QW4300.ppd";
}

// A file with the given bytes in a fresh temporary directory, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& bytes, const std::string& name = "test.ppd") {
        char folder[] = "/tmp/zeqppd-test-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            ADD_FAILURE() << "cannot create a temporary folder";
            return;
        }
        mFolder = folder;
        mPath = mFolder + "/" + name;
        std::ofstream(mPath, std::ios::binary) << bytes;
    }
    ~TempFile() {
        unlink(mPath.c_str());
        rmdir(mFolder.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return mPath; }
    const std::string& Folder() const { return mFolder; }

private:
    std::string mFolder;
    std::string mPath;
};

#ifdef ZEQPPD_PATH
// `zeqppd dump --json FILE`, parsed; fails the test when the program fails.
inline nlohmann::json DumpJson(const std::string& file) {
    const ToolResult result = RunTool({"dump", file, "--json"});
    EXPECT_EQ(result.status, 0) << result.err;
    nlohmann::json model = nlohmann::json::parse(result.out, nullptr, false);
    EXPECT_FALSE(model.is_discarded()) << result.out;
    return model.is_discarded() ? nlohmann::json::object() : model;
}
#endif

// The entry of `list` (controls, groups or properties) with that keyword; null JSON when none.
inline nlohmann::json Find(const nlohmann::json& list, const std::string& keyword) {
    for (const nlohmann::json& entry : list) {
        if (entry.value("keyword", nlohmann::json()) == keyword) {
            return entry;
        }
    }
    ADD_FAILURE() << "no entry " << keyword;
    return nlohmann::json();
}

// The "keyword" member of every entry, in order.
inline std::vector<std::string> Keywords(const nlohmann::json& list) {
    std::vector<std::string> keywords;
    for (const nlohmann::json& entry : list) {
        keywords.push_back(entry["keyword"].is_null() ? "(null)"
                                                      : entry["keyword"].get<std::string>());
    }
    return keywords;
}

// The errors as "number fatal/non-fatal keyword" lines (keyword "-" when null).
inline std::vector<std::string> ErrorLines(const nlohmann::json& model) {
    std::vector<std::string> lines;
    for (const nlohmann::json& error : model["errors"]) {
        lines.push_back(std::to_string(error["number"].get<int>()) +
                        (error["fatal"].get<bool>() ? " fatal " : " non-fatal ") +
                        (error["keyword"].is_null() ? "-" : error["keyword"].get<std::string>()));
    }
    return lines;
}
