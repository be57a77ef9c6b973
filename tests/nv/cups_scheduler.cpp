#include "cups_scheduler.h"

namespace quillet::nv::test {
namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Script(const std::string& what, const fs::path& dir) {
    return std::string("bash ") + Quoted(QUILLET_CUPS_SCHEDULER_SCRIPT) + " " + what + " " +
           Quoted(dir.string());
}

} // namespace

CupsScheduler::CupsScheduler(const fs::path& dir) : dir_(dir) {
    fs::create_directories(dir_);
    // The scheduler runs jobs as lp, which must reach its spool inside this private folder.
    std::error_code ignored;
    fs::permissions(dir_.parent_path(), fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ignored);
    // The script bounds its own wait for the scheduler to answer.
    std::string out = Shell(Script("start", dir_) + " 2>&1");
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    if (out == (dir_ / "cups.sock").string())
        socket_ = out;
    else
        why_ = out;
}

CupsScheduler::~CupsScheduler() {
    Shell(Script("stop", dir_) + " 2>&1");
}

bool CupsScheduler::Tool(const std::string& command, std::string* output) const {
    const std::string out = Shell(Env() + " timeout 20 " + command + " 2>&1; echo \"exit=$?\"");
    const auto mark = out.rfind("exit=");
    if (output)
        *output = out.substr(0, mark);
    return mark != std::string::npos && out.compare(mark, 7, "exit=0\n") == 0;
}

bool CupsScheduler::AddRawQueue(const std::string& name, const std::string& uri) const {
    return Tool("lpadmin -p " + Quoted(name) + " -E -v " + Quoted(uri));
}

std::string CupsScheduler::OpenJobs(const std::string& queue) const {
    std::string out;
    Tool("lpstat -W not-completed -o " + Quoted(queue), &out);
    return out;
}

} // namespace quillet::nv::test
