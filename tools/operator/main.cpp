// operator: drives a program's window the way a person does, from a script of steps.
// Exit status: 0 when every step held, 1 when a step failed, 2 for a bad command line or script.
#include "dialogs.h"
#include "script.h"
#include "session.h"
#include "steps.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

void print_usage() {
    std::fprintf(stderr,
                 "usage: operator [-v] [SCRIPT|-]\n"
                 "  Runs the steps of SCRIPT (or standard input), one per line; '#' starts a\n"
                 "  comment; \"...\" and '...' group words; $VAR takes an environment variable.\n"
                 "  -v  print each step before it runs, with the time since the start\n"
                 "ID is a control id: decimal, 0x hex, or a name from define / ids.\n"
                 "steps:\n%s",
                 step_usage().c_str());
}

bool read_script(const char* name, std::string& text) {
    std::ostringstream all;
    if (std::strcmp(name, "-") == 0) {
        all << std::cin.rdbuf();
    } else {
        std::ifstream file(windows_path(name), std::ios::binary);
        if (!file)
            return false;
        all << file.rdbuf();
    }
    text = all.str();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    const char* script_name = "-";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            print_usage();
            return 0;
        } else if (i == argc - 1) {
            script_name = argv[i];
        } else {
            print_usage();
            return 2;
        }
    }
    std::string text, why;
    if (!read_script(script_name, text)) {
        std::fprintf(stderr, "operator: cannot read %s\n", script_name);
        return 2;
    }
    std::vector<Step> steps;
    if (!parse_script(text, steps, why)) {
        std::fprintf(stderr, "operator: %s\n", why.c_str());
        return 2;
    }
    Session session;
    session.verbose = verbose;
    session.start = GetTickCount64();
    const ULONGLONG start = session.start;
    for (const Step& step : steps) {
        if (verbose) {
            std::printf("> %6llu ms  %d: %s\n", GetTickCount64() - start, step.line,
                        step.text.c_str());
            std::fflush(stdout);
        }
        if (!run_step(session, step, why)) {
            std::fflush(stdout);
            std::fprintf(stderr, "operator: step failed at line %d: %s\n  %s\n", step.line,
                         step.text.c_str(), why.c_str());
            return 1;
        }
        std::fflush(stdout);
    }
    return 0;
}
