// Tests' control of the locale variables a bundle chooses its language by: set for the
// lifetime of a guard, the previous values put back after.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class LanguageEnvironment {
public:
    // Each value replaces its variable; null leaves it unset.
    explicit LanguageEnvironment(const char* language, const char* lcAll = nullptr,
                                 const char* lcMessages = nullptr, const char* lang = nullptr) {
        const char* values[kCount] = {language, lcAll, lcMessages, lang};
        for (int i = 0; i < kCount; ++i) {
            if (const char* old = std::getenv(kNames[i]))
                mSaved[i] = old;
            Set(kNames[i], values[i]);
        }
    }
    ~LanguageEnvironment() {
        for (int i = 0; i < kCount; ++i)
            Set(kNames[i], mSaved[i] ? mSaved[i]->c_str() : nullptr);
    }
    LanguageEnvironment(const LanguageEnvironment&) = delete;
    LanguageEnvironment& operator=(const LanguageEnvironment&) = delete;

private:
    static constexpr int kCount = 4;
    static constexpr const char* kNames[kCount] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

    static void Set(const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    std::optional<std::string> mSaved[kCount];
};
