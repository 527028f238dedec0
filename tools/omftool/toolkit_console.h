// While an object of this class lives, what the process writes on standard output goes to
// standard error. The toolkit inside the OMF plug-in prints container errors on standard output;
// the commands that drive the plug-in keep their own output clean this way.
#pragma once

#include <cstdio>

#include <unistd.h>

namespace omftool {

class StandardOutputToError {
  public:
    StandardOutputToError() {
        std::fflush(stdout);
        m_Saved = ::dup(STDOUT_FILENO);
        if (m_Saved >= 0) ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StandardOutputToError() {
        std::fflush(stdout);
        if (m_Saved >= 0) {
            ::dup2(m_Saved, STDOUT_FILENO);
            ::close(m_Saved);
        }
    }
    StandardOutputToError(const StandardOutputToError&) = delete;
    StandardOutputToError& operator=(const StandardOutputToError&) = delete;

  private:
    int m_Saved = -1;
};

} // namespace omftool
