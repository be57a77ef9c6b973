// The command line of quillet-nv.
#pragma once

#include "logo/logo_convert.h"
#include "port/port_address.h"
#include "printer/setting_commands.h"

#include <chrono>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace quillet::nv {

enum class Command { Store, Print, Raster, Setting, Status, Info, List, Delete };

// "store", "print", ...: the command as typed.
const char* CommandName(Command command);

struct NvOptions {
    Command command = Command::Status;
    std::vector<std::string> files;    // store, raster
    std::vector<std::uint8_t> numbers; // print
    bool graphics = false;             // NV graphics (GS ( L) instead of FS q images
    std::vector<std::string> keys;     // store, print, delete with --graphics
    bool deleteAll = false;            // delete --all
    std::uint8_t scale = 1;            // print --graphics
    SettingCommand setting = SettingCommand::Bps115200;
    std::int32_t feedMm = 0;              // setting feed
    std::string settingText;              // "bps 115200", for the result line
    std::vector<port::PortAddress> ports; // the job runs on all of them at once
    port::LineSettings line;
    bool noStatus = false;
    bool quiet = false;
    bool json = false;      // one JSON object per printer on standard output
    std::string save;       // also write the job's bytes here
    bool dryRun = false;    // everything read, checked and converted; no port opened
    bool ifChanged = false; // store: not when the ledger has these bytes on the printer
    bool force = false;     // NV writes past the daily number the ledger counts
    std::string ledger;     // the ledger file; empty: the default place
    std::chrono::milliseconds confirmTimeout{60'000};
    std::chrono::milliseconds nvWait{5'000};
    logo::ConvertSettings convert;
    bool listPorts = false; // the ports command: no printer job at all
};

// Parses the arguments after the program name. -1: run; otherwise the exit status to end with
// (0 after --help, 2 for a bad command line, the reason on `err`).
int ParseNvOptions(const std::string& program, std::span<const std::string> args,
                   NvOptions& options, std::ostream& out, std::ostream& err);

} // namespace quillet::nv
