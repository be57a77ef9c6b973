// quillet-nv: the printer jobs from a script, on Linux.
#include "nv/nv_command.h"

#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    // A printer that goes away mid-write is an error to report, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    using quillet::nv::ProgressStyle;
    return quillet::nv::RunNvCommand("quillet-nv", args, std::cout, std::cerr,
                                     ::isatty(STDERR_FILENO) ? ProgressStyle::Escapes
                                                             : ProgressStyle::None);
}
