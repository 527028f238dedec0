// While an object of this class lives, what the process writes on standard output goes to
// standard error at --verbose, and nowhere otherwise. The toolkit inside the OMF plug-in prints
// container errors on standard output ("<Bento 12>... @ 219 in '...'"): a trace for whoever
// debugs the toolkit, which the commands that drive the plug-in keep out of their own output
// and show only when asked, since their own message names the cause.
#pragma once

#include "library_logging.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace omftool {

class ToolkitConsole {
  public:
    ToolkitConsole() {
        std::fflush(stdout);
        m_Saved = ::dup(STDOUT_FILENO);
        if (m_Saved < 0) return;
        if (libraryLoggingVerbose()) {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
        } else if (const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC); nowhere >= 0) {
            ::dup2(nowhere, STDOUT_FILENO);
            ::close(nowhere);
        }
    }
    ~ToolkitConsole() {
        std::fflush(stdout);
        if (m_Saved >= 0) {
            ::dup2(m_Saved, STDOUT_FILENO);
            ::close(m_Saved);
        }
    }
    ToolkitConsole(const ToolkitConsole&) = delete;
    ToolkitConsole& operator=(const ToolkitConsole&) = delete;

  private:
    int m_Saved = -1;
};

} // namespace omftool
