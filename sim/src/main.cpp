#include "options.h"
#include "quillet_version.h"
#include "session.h"

#include <cstdio>

int main(int argc, char** argv) {
    sim::Options opts;
    std::string error;
    if (!sim::parse_options(argc, argv, opts, error)) {
        std::fprintf(stderr, "quillet-sim: %s\n%s", error.c_str(), sim::usage_text());
        return 2;
    }
    if (opts.help) {
        std::fputs(sim::usage_text(), stdout);
        return 0;
    }
    if (opts.version) {
        std::puts("quillet-sim " QUILLET_VERSION_TEXT);
        return 0;
    }
    return sim::run_session(opts);
}
