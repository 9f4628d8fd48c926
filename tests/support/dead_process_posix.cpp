#include "support/dead_process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace kq::testing {

int deadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<int>(child);
}

}  // namespace kq::testing
