// SPDX-License-Identifier: GPL-2.0-or-later
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/run.hpp"
#include "lib/terminal_escapes.hpp"

namespace {

// A run whose output could not be written (a full disk under
// "setting save > backup", a closed pipe, /dev/full) must not end with
// status 0: the caller would keep an empty or cut backup as good. The last
// buffered bytes are written at the flush, and a file system may report a
// deferred failure only when the descriptor is closed. A standard output that
// was closed before the run is no failure unless something was written to it.
int finish_standard_output(int status)
{
    std::string reason;
    if (std::fflush(stdout) != 0)
        reason = std::strerror(errno);
    else if (::close(STDOUT_FILENO) != 0 && errno != EBADF && errno != EINTR)
        reason = std::strerror(errno);
    if (reason.empty() && std::ferror(stdout) == 0)
        return status;
    std::fprintf(stderr, "cmoscfg: error writing standard output%s%s\n", reason.empty() ? "" : ": ", reason.c_str());
    return status == 0 ? 1 : status;
}

}  // namespace

int main(int argc, char** argv)
{
    terminal_escapes escapes;
    return finish_standard_output(run_cmoscfg(argc, argv));
}
