// The printer's end of the line: a pty master, plus a slave fd held open so that a host closing
// its side does not hang the line up.
#pragma once

#include <string>

namespace sim {

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine() { close(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool open(std::string& error);
    void close();
    bool is_open() const { return master_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& slave_path() const { return slave_path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

} // namespace sim
