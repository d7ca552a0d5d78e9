// child_process.h - work that may end its process (a library's failed
// assertion, a crash on damaged input), done in a forked child so that the
// tool itself carries on and reports it.
#pragma once

#include <functional>
#include <string>

namespace lab {

// The bytes `work` returns, computed in a child process whose standard error
// is the caller's and which may allocate `memoryBytes` more than the caller
// holds. Returns false when the child did not finish: `work` threw, a signal
// ended it (an assertion's abort, a crash), or it ran longer than `seconds`;
// `how` then says which, e.g. "stopped by signal 6 (Aborted)".
bool RunInChildProcess(const std::function<std::string()>& work, unsigned seconds, unsigned long long memoryBytes,
                       std::string& bytes, std::string& how);

}  // namespace lab
