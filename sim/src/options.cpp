#include "options.h"

#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>

namespace sim {

namespace {

// Printers that send automatic status blocks unasked send them about this often.
constexpr int kAutoStatusMs = 300;

bool to_u64(const std::string& s, std::uint64_t& out) {
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s[0])))
        return false;
    char* end = nullptr;
    out = std::strtoull(s.c_str(), &end, 10);
    return *end == '\0';
}

bool to_int(const std::string& s, int& out, int max = 1 << 30) {
    std::uint64_t v = 0;
    if (!to_u64(s, v) || v > static_cast<std::uint64_t>(max))
        return false;
    out = static_cast<int>(v);
    return true;
}

bool to_hex_bytes(const std::string& s, std::vector<std::uint8_t>& out) {
    std::string digits;
    for (char c : s) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (c != ' ' && c != ':' && c != ',')
            return false;
    }
    if (digits.empty() || digits.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

} // namespace

const char* usage_text() {
    return "usage: quillet-sim [options]\n"
           "A virtual ESC/POS receipt printer on a pseudo-terminal. Prints 'PTY <path>' (or "
           "'LISTEN 127.0.0.1:<port>',\n"
           "'FIFO <path>'), then 'READY'.\n"
           "  --out DIR               receipts DIR/receipt-0001.png ..., log DIR/log.jsonl "
           "(default sim-out)\n"
           "  --raw FILE              append every received byte to FILE\n"
           "  --store DIR             NV store folder (default DIR of --out + /nv-store; NV "
           "graphics "
           "in DIR/graphics)\n"
           "  --pty-link PATH         make PATH a symlink to the pty\n"
           "  --listen PORT           serve TCP on 127.0.0.1:PORT instead (0: a free port), one "
           "connection at a time\n"
           "  --fifo PATH             read a FIFO made at PATH instead (one-way, like "
           "/dev/usb/lp0)\n"
           "  --wine-prefix DIR --com N   register the pty as COMN in that Wine prefix\n"
           "  --paper-dots 576|384    paper width in dots (default 576)\n"
           "  --nv-capacity BYTES     NV image memory size (default: 64 MiB)\n"
           "  --baud N                read no faster than N baud (10 bits per byte)\n"
           "  --xoff-after BYTES --xoff-ms MS     send XOFF after BYTES, XON MS later\n"
           "  --stall-after BYTES [--stall-ms MS] stop reading after BYTES (for MS, or until "
           "SIGUSR1)\n"
           "  --hangup-after BYTES    close the line after BYTES\n"
           "  --reply HEX             send these bytes once the host has opened the line\n"
           "  --exit-after-idle MS    exit MS after the last received byte\n"
           "  --offline --cover-open --paper-near-end --paper-end   printer state\n"
           "  --error cutter|unrecoverable|auto-recoverable        an error (may be repeated)\n"
           "  --no-answers            a one-way printer: answer nothing\n"
           "  --answer-dle-in-data    answer DLE EOT n on arrival, even inside image data\n"
           "  --nv-busy-ms MS         busy MS after each NV write: nothing read meanwhile, "
           "real-time commands already read refused\n"
           "  --nv-graphics-capacity BYTES   NV graphics memory (GS ( L) size (default 393216, "
           "at most 64 MiB)\n"
           "  --nv-exclusive          an FS q download erases NV graphics and the other way "
           "round\n"
           "  --no-process-id         an older printer: GS ( H (process ID response) is ignored\n"
           "  --out-queue BYTES       answers held for a host that does not read (default "
           "65536); the oldest go first\n"
           "  --tcp-receive-buffer BYTES  SO_RCVBUF of each connection, so a host's writes block "
           "sooner while the sim does not read\n"
           "Hostile printers:\n"
           "  --auto-status           send the automatic status block 14 00 00 0F unasked every "
           "300 ms\n"
           "  --auto-status-ms MS     the same, every MS\n"
           "  --echo                  the line sends back every byte it receives\n"
           "  --flood BYTES           from the host's first byte, send BYTES of filler unasked as "
           "fast as the host takes them\n"
           "                          (each connection; every byte value but 11 and 13, in turn)\n"
           "  --endless-key-list      every NV graphics key list block says more follows "
           "(37 72 41 ... 00), for ever\n"
           "  --half-status           answer DLE EOT 1 only, never 2, 3 or 4\n"
           "  --stale-process-id      before each GS ( H answer, send one with the previous "
           "question's ID (first: \"0000\")\n"
           "  --unasked-process-id-ms MS  send 37 22 + the last answered ID (\"0000\" before any) "
           "+ 00 unasked every MS\n"
           "  --help                  this text\n"
           "  --version               the program's name and version\n";
}

bool parse_options(int argc, char** argv, Options& o, std::string& error) {
    using Setter = std::function<bool(const std::string&)>;
    auto u64 = [](std::optional<std::uint64_t>& dst) {
        return [&dst](const std::string& v) {
            std::uint64_t n = 0;
            if (!to_u64(v, n))
                return false;
            dst = n;
            return true;
        };
    };
    auto text = [](std::string& dst) {
        return [&dst](const std::string& v) {
            dst = v;
            return !v.empty();
        };
    };
    auto integer = [](int& dst) { return [&dst](const std::string& v) { return to_int(v, dst); }; };
    auto positive = [](int& dst) {
        return [&dst](const std::string& v) { return to_int(v, dst) && dst > 0; };
    };
    const std::map<std::string, bool*> flags = {
        {"--offline", &o.status.offline_switch},
        {"--cover-open", &o.status.cover_open},
        {"--paper-near-end", &o.status.near_end},
        {"--paper-end", &o.status.paper_end},
        {"--no-answers", &o.no_answers},
        {"--answer-dle-in-data", &o.answer_dle_in_data},
        {"--nv-exclusive", &o.nv_exclusive},
        {"--no-process-id", &o.no_process_id},
        {"--endless-key-list", &o.endless_key_list},
        {"--echo", &o.hostile.echo},
        {"--half-status", &o.hostile.half_status},
        {"--stale-process-id", &o.hostile.stale_process_id},
    };
    const std::map<std::string, bool*> errors = {
        {"cutter", &o.status.cutter_error},
        {"unrecoverable", &o.status.unrecoverable_error},
        {"auto-recoverable", &o.status.auto_recoverable_error},
    };
    const std::map<std::string, Setter> setters = {
        {"--out", text(o.out_dir)},
        {"--raw", text(o.raw_file)},
        {"--store", text(o.store_dir)},
        {"--pty-link", text(o.pty_link)},
        {"--wine-prefix", text(o.wine_prefix)},
        {"--com", [&](const std::string& v) { return to_int(v, o.com, 255) && o.com > 0; }},
        {"--paper-dots",
         [&](const std::string& v) {
             return to_int(v, o.paper_dots) && (o.paper_dots == 576 || o.paper_dots == 384);
         }},
        {"--nv-capacity", [&](const std::string& v) { return to_u64(v, o.nv_capacity); }},
        {"--baud",
         [&](const std::string& v) {
             int b = 0;
             if (!to_int(v, b) || b < 10)
                 return false;
             o.baud = b;
             return true;
         }},
        {"--xoff-after", u64(o.xoff_after)},
        {"--xoff-ms", integer(o.xoff_ms)},
        {"--stall-after", u64(o.stall_after)},
        {"--stall-ms", integer(o.stall_ms)},
        {"--hangup-after", u64(o.hangup_after)},
        {"--reply", [&](const std::string& v) { return to_hex_bytes(v, o.reply); }},
        {"--exit-after-idle", integer(o.exit_after_idle_ms)},
        {"--listen",
         [&](const std::string& v) {
             int port = 0;
             if (!to_int(v, port, 65535))
                 return false;
             o.listen_port = port;
             return true;
         }},
        {"--fifo", text(o.fifo_path)},
        {"--error",
         [&](const std::string& v) {
             const auto e = errors.find(v);
             if (e == errors.end())
                 return false;
             *e->second = true;
             return true;
         }},
        {"--nv-busy-ms", integer(o.nv_busy_ms)},
        {"--auto-status-ms", positive(o.hostile.auto_status_ms)},
        {"--unasked-process-id-ms", positive(o.hostile.unasked_process_id_ms)},
        {"--flood",
         [&](const std::string& v) {
             return to_u64(v, o.hostile.flood_bytes) && o.hostile.flood_bytes > 0;
         }},
        {"--out-queue",
         [&](const std::string& v) {
             std::uint64_t n = 0;
             if (!to_u64(v, n) || n < 16 || n > (64ull << 20))
                 return false;
             o.out_queue = static_cast<std::size_t>(n);
             return true;
         }},
        {"--tcp-receive-buffer",
         [&](const std::string& v) {
             return to_int(v, o.tcp_receive_buffer) && o.tcp_receive_buffer > 0;
         }},
        {"--nv-graphics-capacity",
         [&](const std::string& v) {
             return to_u64(v, o.nv_graphics_capacity) && o.nv_graphics_capacity <= (64ull << 20);
         }},
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return true;
        }
        if (arg == "--version") {
            o.version = true;
            return true;
        }
        std::string value;
        bool has_value = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            has_value = true;
        }
        if (const auto f = flags.find(arg); f != flags.end() && !has_value) {
            *f->second = true;
            continue;
        }
        if (arg == "--auto-status" && !has_value) {
            o.hostile.auto_status_ms = kAutoStatusMs;
            continue;
        }
        if (flags.count(arg) || arg == "--auto-status") {
            error = arg + " takes no value";
            return false;
        }
        const auto it = setters.find(arg);
        if (it == setters.end()) {
            error = "unknown option " + arg;
            return false;
        }
        if (!has_value) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!it->second(value)) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (o.wine_prefix.empty() != (o.com == 0)) {
        error = "--wine-prefix and --com go together";
        return false;
    }
    const int lines = (o.listen_port ? 1 : 0) + (o.fifo_path.empty() ? 0 : 1);
    if (lines > 1) {
        error = "--listen and --fifo exclude each other";
        return false;
    }
    if (lines && (!o.pty_link.empty() || !o.wine_prefix.empty())) {
        error = "--pty-link and --wine-prefix need the pty, not --listen or --fifo";
        return false;
    }
    if (o.tcp_receive_buffer && !o.listen_port) {
        error = "--tcp-receive-buffer needs --listen";
        return false;
    }
    if (o.store_dir.empty())
        o.store_dir = o.out_dir + "/nv-store";
    return true;
}

} // namespace sim
