// The command line of the virtual printer.
#pragma once

#include "hostile.h"
#include "status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Options {
    std::string out_dir = "sim-out";
    std::string raw_file;
    std::string store_dir; // empty: out_dir + "/nv-store"
    std::string pty_link;
    std::optional<int> listen_port; // TCP on 127.0.0.1 instead of the pty; 0 picks a free port
    std::string fifo_path;          // a FIFO instead of the pty: a one-way line
    std::string wine_prefix;
    int com = 0;
    int paper_dots = 576;
    std::uint64_t nv_capacity = 0;
    long baud = 0;
    std::optional<std::uint64_t> xoff_after;
    int xoff_ms = 1000;
    std::optional<std::uint64_t> stall_after;
    int stall_ms = -1; // -1: until exit or SIGUSR1
    std::optional<std::uint64_t> hangup_after;
    std::vector<std::uint8_t> reply;
    int exit_after_idle_ms = 0;
    PrinterStatus status;
    bool no_answers = false;
    bool answer_dle_in_data = false;
    int nv_busy_ms = 0;
    std::uint64_t nv_graphics_capacity = 393216;
    bool nv_exclusive = false;
    bool no_process_id = false;
    bool endless_key_list = false;
    HostileModes hostile;
    std::size_t out_queue = 65536;
    int tcp_receive_buffer = 0; // 0: the kernel's own
    bool help = false;
    bool version = false;
};

// Fills opts from argv; on a bad option returns false with a message in error.
bool parse_options(int argc, char** argv, Options& opts, std::string& error);
const char* usage_text();

} // namespace sim
