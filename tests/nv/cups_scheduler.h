// A CUPS scheduler of the tests' own (cups_scheduler.sh), stopped when it goes out of scope.
#pragma once

#include "nv_test_support.h"

namespace quillet::nv::test {

class CupsScheduler {
public:
    explicit CupsScheduler(const fs::path& dir);
    ~CupsScheduler();
    CupsScheduler(const CupsScheduler&) = delete;
    CupsScheduler& operator=(const CupsScheduler&) = delete;

    bool Ready() const { return !socket_.empty(); }
    const std::string& Why() const { return why_; }
    // CUPS_SERVER=..., for the programs that talk to it.
    std::string Env() const { return "CUPS_SERVER=" + socket_; }
    // Runs a CUPS command-line tool (lpadmin, cupsdisable, lpstat, ...) against it; its output
    // and standard error, and whether it succeeded.
    bool Tool(const std::string& command, std::string* output = nullptr) const;
    // A raw queue in front of `uri` (socket://127.0.0.1:PORT).
    bool AddRawQueue(const std::string& name, const std::string& uri) const;
    // The jobs still waiting or running on `queue`, as lpstat lists them.
    std::string OpenJobs(const std::string& queue) const;

private:
    fs::path dir_;
    std::string socket_;
    std::string why_;
};

} // namespace quillet::nv::test
