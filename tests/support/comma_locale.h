// comma_locale.h - a decimal-comma locale for tests: German (de_DE.UTF-8),
// built by localedef into a folder of the test's own, so that no system
// locale needs to be installed (LOCPATH points at it). The toolkit switches
// a process to the user's locale when it starts; this puts a test where a
// German user's process is. tests/support/comma_locale.sh does the same for
// a whole test program.
#pragma once

#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/temp_folder.h"

namespace test_support {

// Builds de_DE.UTF-8 into `folder`; false when localedef or the locale
// sources are missing.
inline bool MakeDecimalCommaLocale(const std::string& folder) {
    const std::string command = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
    const int status = system(command.c_str());
    // localedef answers 1 for warnings while still writing the locale.
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

inline bool DecimalComma() { return std::strcmp(localeconv()->decimal_point, ",") == 0; }

// While it lives the process runs under the German locale (LC_ALL), unless
// it already runs under a decimal-comma one; the process's locale and
// LOCPATH come back at its end. reason() says why it could not, or is empty.
class CommaLocale {
public:
    CommaLocale() : previous_(setlocale(LC_ALL, nullptr)) {
        if (DecimalComma()) return;
        if (folder_.path().empty() || !MakeDecimalCommaLocale(folder_.path())) {
            reason_ = "localedef or the de_DE locale sources are not installed";
            return;
        }
        if (const char* old = getenv("LOCPATH")) oldLocPath_ = old, hadLocPath_ = true;
        setenv("LOCPATH", folder_.path().c_str(), 1);
        setLocPath_ = true;
        if (!setlocale(LC_ALL, "de_DE.UTF-8") || !DecimalComma()) reason_ = "the built locale does not load";
    }
    ~CommaLocale() {
        setlocale(LC_ALL, previous_.c_str());
        if (setLocPath_) hadLocPath_ ? (void)setenv("LOCPATH", oldLocPath_.c_str(), 1) : (void)unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    const std::string& reason() const { return reason_; }
    // For a shell command: the environment that puts a child process under
    // the same locale ("LOCPATH=... LC_ALL=de_DE.UTF-8 "), or "" when the
    // process's own already does.
    std::string childEnvironment() const {
        return setLocPath_ ? "LOCPATH='" + folder_.path() + "' LC_ALL=de_DE.UTF-8 " : "";
    }

private:
    std::string previous_;
    TempFolder folder_{"sinora_locale_"};
    std::string reason_;
    std::string oldLocPath_;
    bool hadLocPath_ = false;
    bool setLocPath_ = false;
};

}  // namespace test_support
