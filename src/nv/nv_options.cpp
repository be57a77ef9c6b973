#include "nv/nv_options.h"

#include "logo/file_paths.h"
#include "logo/picture_options.h"
#include "nv/job_payload.h"
#include "nv/queue_job.h"
#include "port/open_port.h"
#include "printer/nv_graphics_encoder.h"
#include "quillet_version.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

namespace quillet::nv {
namespace {

constexpr const char* kDescription =
    "Stores logos in an ESC/POS printer's NV memory and prints them, prints pictures, sends the "
    "printer's settings, and reads back its status.\n"
    "Exit status: 0 done, 1 file, port or transfer failure, 2 bad command line, 3 printer not "
    "ready.";

constexpr const char* kPortHelp =
    "the printer: /dev/ttyUSB0 (serial), /dev/usb/lp0 (USB printer), tcp:HOST:PORT (network), "
    "cups:QUEUE (a CUPS queue), on Windows COMn, usb or printer:NAME (an installed printer); "
    "default $QUILLET_PORT";

constexpr const char* kStoreHelp =
    "Store FILEs as the printer's NV images 1, 2, ... with one FS q download, which replaces "
    "every image stored before. FILE is a 1-bit BMP or a PNG, JPEG, GIF, BMP, TGA or PNM picture, "
    "converted on the way. NV memory takes a limited number of writes: store a logo when it "
    "changes, not before every receipt.";

// NAME VALUE as the command line gives it, to the dialog's buttons.
const std::map<std::string, std::map<std::string, SettingCommand>>& SettingTable() {
    static const std::map<std::string, std::map<std::string, SettingCommand>> table = {
        {"bps",
         {{"9600", SettingCommand::Bps9600},
          {"19200", SettingCommand::Bps19200},
          {"115200", SettingCommand::Bps115200}}},
        {"columns", {{"42", SettingCommand::Columns42}, {"48", SettingCommand::Columns48}}},
        {"buzzer", {{"on", SettingCommand::BuzzerUse}, {"off", SettingCommand::BuzzerNotUse}}},
        {"near-sensor", {{"on", SettingCommand::NearUse}, {"off", SettingCommand::NearNotUse}}},
        {"cut",
         {{"command", SettingCommand::CutCommand},
          {"full", SettingCommand::CutFull},
          {"partial", SettingCommand::CutPartial}}},
        {"paper-jam", {{"on", SettingCommand::JamUse}, {"off", SettingCommand::JamNotUse}}},
    };
    return table;
}

bool ResolveSetting(const std::string& name, const std::string& value, NvOptions& options,
                    std::string& why) {
    options.settingText = name + " " + value;
    if (name == "feed") {
        const bool digits =
            !value.empty() && value.size() <= 3 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stoi(value) > 255) {
            why = "feed takes 0 to 255 mm, not '" + value + "'";
            return false;
        }
        options.setting = SettingCommand::FeedSet;
        options.feedMm = std::stoi(value);
        return true;
    }
    const auto& table = SettingTable();
    const auto entry = table.find(name);
    if (entry == table.end()) {
        why = "unknown setting '" + name +
              "': bps, columns, buzzer, near-sensor, cut, paper-jam or feed";
        return false;
    }
    const auto choice = entry->second.find(value);
    if (choice == entry->second.end()) {
        std::string values;
        for (const auto& [text, command] : entry->second)
            values += (values.empty() ? "" : "|") + text;
        why = name + " takes " + values + ", not '" + value + "'";
        return false;
    }
    options.setting = choice->second;
    return true;
}

void Take(logo::PictureOptionParser& picture, const std::string& name, const std::string& value) {
    std::string why;
    if (!picture.Take(name, value, why)) {
        throw CLI::ValidationError(why);
    }
}

struct RawOptions {
    std::vector<std::string> ports;
    std::string portsFile;
    std::string flow = "none";
    double confirmSeconds = 60;
    double nvWaitSeconds = 5;
    logo::PictureOptionParser picture;
    std::string settingName;
    std::string settingValue;
    std::vector<std::string> numbers; // image numbers, or keys with --graphics
    std::vector<std::string> keys;
};

void AddPortOptions(CLI::App& command, NvOptions& options, RawOptions& raw) {
    // One value each time: a vector option would otherwise take the FILEs after it as ports.
    command.add_option("--port", raw.ports, kPortHelp)
        ->envname("QUILLET_PORT")
        ->allow_extra_args(false);
    command.add_option("--ports", raw.portsFile,
                       "a file of ports, one a line (# starts a comment): the job runs on every "
                       "printer at once");
    command.add_flag("--json", options.json, "one JSON object per printer on standard output");
    command.add_option("--baud", options.line.baud, "serial speed (default 115200)")
        ->check(CLI::IsMember({9600u, 19200u, 38400u, 57600u, 115200u}));
    command.add_option("--flow", raw.flow, "serial flow control (default none)")
        ->check(CLI::IsMember({"none", "xon-xoff", "rts-cts"}));
    command.add_flag("--quiet", options.quiet, "no progress line");
    command.add_flag("--dry-run", options.dryRun,
                     "read, check and convert everything and say what would be sent to each "
                     "printer, opening none");
}

// An NV write: the ledger that records it.
void AddLedgerOptions(CLI::App& command, NvOptions& options) {
    command.add_option("--ledger", options.ledger,
                       "the ledger of confirmed NV writes (default "
                       "$XDG_STATE_HOME/quillet/ledger.json, ~/.local/state/quillet/ledger.json)");
    command.add_flag("--force", options.force,
                     "write even when the ledger counts 10 NV writes to the printer in 24 hours");
}

void AddJobOptions(CLI::App& command, NvOptions& options, RawOptions& raw) {
    AddPortOptions(command, options, raw);
    command.add_flag("--no-status", options.noStatus, "do not ask the printer's status first");
    command.add_option("--save", options.save, "also write every byte sent to this file");
}

// An NV write: how long its confirmation may take.
void AddConfirmOptions(CLI::App& command, RawOptions& raw) {
    command
        .add_option("--confirm-timeout", raw.confirmSeconds,
                    "seconds to wait for the printer to confirm the write (default 60)")
        ->check(CLI::Range(0.1, 3600.0));
    command
        .add_option("--nv-wait", raw.nvWaitSeconds,
                    "on a serial line without flow control, seconds before the first "
                    "confirmation question (default 5)")
        ->check(CLI::Range(0.0, 3600.0));
}

// The same options as quillet-logo's, checked by the same code.
void AddPictureOptions(CLI::App& command, RawOptions& raw) {
    for (const logo::PictureOption& option : logo::PictureOptions()) {
        const std::string name = option.name;
        if (option.value == nullptr) {
            command.add_flag_callback(
                name, [&raw, name] { Take(raw.picture, name, ""); }, option.help);
        } else {
            command
                .add_option_function<std::string>(
                    name,
                    [&raw, name](const std::string& value) { Take(raw.picture, name, value); },
                    option.help)
                ->type_name(option.value);
        }
    }
}

// One port a line; blank lines and everything from # on are skipped.
bool ReadPortsFile(const std::string& path, std::vector<std::string>& ports, std::string& why) {
    std::ifstream in(logo::PathFromUtf8(path));
    if (!in) {
        why = "cannot read --ports file '" + path + "'";
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const auto last = line.find_last_not_of(" \t\r");
        ports.push_back(line.substr(first, last - first + 1));
    }
    if (ports.empty()) {
        why = "--ports file '" + path + "' names no port";
        return false;
    }
    return true;
}

std::string ShownKey(const std::string& key) {
    std::string shown;
    for (const char c : key) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            shown += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            shown += hex;
        }
    }
    return "'" + shown + "'";
}

bool CheckKeys(const std::vector<std::string>& keys, std::string& why) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!IsValidGraphicsKey(keys[i])) {
            why = "bad key " + ShownKey(keys[i]) +
                  ": a key is two characters, each a printable ASCII character (0x20 to 0x7E)";
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (keys[j] == keys[i]) {
                why = "key " + ShownKey(keys[i]) + " is given twice";
                return false;
            }
        }
    }
    return true;
}

// Image numbers for FS p, keys for NV graphics; the keys store defines by default: 01, 02, ...
bool ResolveTargets(NvOptions& options, const RawOptions& raw, std::string& why) {
    const bool graphicsOnly =
        options.command == Command::List || options.command == Command::Delete;
    if (graphicsOnly && !options.graphics) {
        why = "list and delete work on NV graphics: add --graphics";
        return false;
    }
    if (!raw.keys.empty() && !(options.command == Command::Store && options.graphics)) {
        why = "--key goes with store --graphics";
        return false;
    }
    if (options.command == Command::Print && !options.graphics) {
        for (const std::string& text : raw.numbers) {
            const bool digits =
                !text.empty() && text.size() <= 3 &&
                std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!digits || std::stoi(text) < 1 || std::stoi(text) > 255) {
                why = "image number '" + text + "' not in range 1 to 255";
                return false;
            }
            options.numbers.push_back(static_cast<std::uint8_t>(std::stoi(text)));
        }
        return true;
    }
    if (options.command == Command::Print || options.command == Command::Delete) {
        options.keys = raw.numbers;
        if (options.command == Command::Delete && options.deleteAll != options.keys.empty()) {
            why = options.deleteAll ? "delete takes either keys or --all"
                                    : "which keys? give KK... or --all";
            return false;
        }
        return CheckKeys(options.keys, why);
    }
    if (options.command == Command::Store && options.graphics) {
        if (raw.keys.empty()) {
            for (std::size_t i = 1; i <= options.files.size() && i <= 99; ++i)
                options.keys.push_back((i < 10 ? "0" : "") + std::to_string(i));
        } else {
            options.keys = raw.keys;
        }
        if (options.keys.size() != options.files.size()) {
            why =
                raw.keys.empty()
                    ? "store --graphics names at most 99 files by default keys; give --key for each"
                    : "give one --key per FILE (" + std::to_string(options.files.size()) +
                          " files, " + std::to_string(options.keys.size()) + " keys)";
            return false;
        }
        return CheckKeys(options.keys, why);
    }
    return true;
}

bool Finish(NvOptions& options, RawOptions& raw, std::string& why) {
    // One FS q download counts its images in a byte.
    if (options.command == Command::Store && !options.graphics &&
        options.files.size() > kMaxStoreFiles) {
        why = "store takes 1 to " + std::to_string(kMaxStoreFiles) +
              " files in one download, not " + std::to_string(options.files.size());
        return false;
    }
    if (!raw.portsFile.empty()) {
        // QUILLET_PORT stands for --port only when no port is given at all.
        if (const char* env = std::getenv("QUILLET_PORT");
            env && raw.ports.size() == 1 && raw.ports.front() == env)
            raw.ports.clear();
        if (!ReadPortsFile(raw.portsFile, raw.ports, why))
            return false;
    }
    for (const std::string& text : raw.ports) {
        port::PortAddress address;
        if (!port::ParsePortAddress(text, address, why)) {
            why = "bad --port '" + text + "': " + why;
            return false;
        }
        options.ports.push_back(address);
    }
    options.line.flow = raw.flow == "xon-xoff"  ? port::Flow::XonXoff
                        : raw.flow == "rts-cts" ? port::Flow::RtsCts
                                                : port::Flow::None;
    options.confirmTimeout =
        std::chrono::milliseconds(static_cast<long long>(raw.confirmSeconds * 1000));
    options.nvWait = std::chrono::milliseconds(static_cast<long long>(raw.nvWaitSeconds * 1000));

    if (!raw.picture.Finish(options.convert, why))
        return false;

    if (!ResolveTargets(options, raw, why))
        return false;
    if (options.command == Command::Setting &&
        !ResolveSetting(raw.settingName, raw.settingValue, options, why))
        return false;

    for (const port::PortAddress& address : options.ports) {
        if (port::IsQueue(address) && !(why = QueueRefusal(options)).empty()) {
            why = address.text + ": " + why;
            return false;
        }
    }
    const bool fileOnly = options.command == Command::Store && !options.save.empty();
    if (options.ports.empty() && !fileOnly) {
        why = "which printer? give --port PORT or set QUILLET_PORT";
        return false;
    }
    return true;
}

} // namespace

int ParseNvOptions(const std::string& program, std::span<const std::string> args,
                   NvOptions& options, std::ostream& out, std::ostream& err) {
    CLI::App app(kDescription, program);
    app.require_subcommand(1, 1);
    app.fallthrough(false);
    app.set_version_flag("--version", program + " " + QUILLET_VERSION_TEXT,
                         "print the program's name and version");
    RawOptions raw;

    CLI::App* store = app.add_subcommand("store", kStoreHelp);
    store->add_option("FILE", options.files, "the pictures, image 1 first")->required();
    AddJobOptions(*store, options, raw);
    AddPictureOptions(*store, raw);
    AddConfirmOptions(*store, raw);
    store->add_flag("--graphics", options.graphics,
                    "define NV graphics by key (GS ( L) instead of FS q images: each key "
                    "replaces only its own image. Printers keep the two stores apart, or erase "
                    "one when the other is written: see what info reports");
    AddLedgerOptions(*store, options);
    store->add_flag("--if-changed", options.ifChanged,
                    "skip a printer that the ledger says holds these very bytes (for NV "
                    "graphics: and that still lists the keys)");
    store
        ->add_option("--key", raw.keys,
                     "with --graphics: the key for each FILE, in order (default 01, 02, ...)")
        ->allow_extra_args(false);

    CLI::App* print = app.add_subcommand("print", "Print stored NV images N (FS p N).");
    print->add_option("N", raw.numbers, "image numbers, 1 to 255; with --graphics, keys")
        ->required();
    AddJobOptions(*print, options, raw);
    print->add_flag("--graphics", options.graphics, "print NV graphics by key (GS ( L)");
    print->add_option("--scale", options.scale, "with --graphics: 1 or 2 times the size")
        ->check(CLI::IsMember({1, 2}));

    CLI::App* list = app.add_subcommand(
        "list", "With --graphics: the NV graphics keys stored, and the capacity in all and left.");
    list->add_flag("--graphics", options.graphics, "NV graphics (GS ( L)");
    AddPortOptions(*list, options, raw);

    CLI::App* remove = app.add_subcommand(
        "delete", "With --graphics: delete NV graphics KK... (GS ( L function 66), or --all.");
    remove->add_option("KK", raw.numbers, "keys, two characters each");
    remove->add_flag("--all", options.deleteAll, "delete every NV graphic (function 65)");
    remove->add_flag("--graphics", options.graphics, "NV graphics (GS ( L)");
    AddJobOptions(*remove, options, raw);
    AddConfirmOptions(*remove, raw);
    AddLedgerOptions(*remove, options);

    CLI::App* raster =
        app.add_subcommand("raster", "Print FILEs as raster pictures (GS v 0), one after another.");
    raster->add_option("FILE", options.files, "the pictures")->required();
    AddJobOptions(*raster, options, raw);
    AddPictureOptions(*raster, raw);

    CLI::App* setting = app.add_subcommand(
        "setting", "Send one configuration packet: bps 9600|19200|115200, columns 42|48, "
                   "buzzer on|off, near-sensor on|off, cut command|full|partial, "
                   "paper-jam on|off, feed MM.");
    setting->add_option("NAME", raw.settingName, "the setting")->required();
    setting->add_option("VALUE", raw.settingValue, "its value")->required();
    AddJobOptions(*setting, options, raw);

    CLI::App* status = app.add_subcommand(
        "status", "Ask the printer's state (DLE EOT 1-4). Exit 0 ready, 3 not ready, 1 no answer.");
    AddPortOptions(*status, options, raw);
    CLI::App* info = app.add_subcommand(
        "info", "Ask the printer's model, type, ROM and firmware version and model name (GS I).");
    AddPortOptions(*info, options, raw);
    CLI::App* ports = app.add_subcommand(
        "ports", "List every port a job could use, one a line: serial lines, USB printers, print "
                 "queues (cups:NAME; on Windows COMn, usb and printer:NAME).");
    ports->add_flag("--json", options.json, "one JSON object per port");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? 0 : 2;
    }
    if (app.get_subcommands().front() == ports) {
        options.listPorts = true;
        return -1;
    }
    const std::map<const CLI::App*, Command> commands = {
        {store, Command::Store},     {print, Command::Print},   {raster, Command::Raster},
        {setting, Command::Setting}, {status, Command::Status}, {info, Command::Info},
        {list, Command::List},       {remove, Command::Delete}};
    options.command = commands.at(app.get_subcommands().front());

    std::string why;
    if (!Finish(options, raw, why)) {
        err << program << ": " << why << "\n";
        err << "Run with --help for more information.\n";
        return 2;
    }
    return -1;
}

const char* CommandName(Command command) {
    switch (command) {
    case Command::Store:
        return "store";
    case Command::Print:
        return "print";
    case Command::Raster:
        return "raster";
    case Command::Setting:
        return "setting";
    case Command::Status:
        return "status";
    case Command::List:
        return "list";
    case Command::Delete:
        return "delete";
    case Command::Info:
        break;
    }
    return "info";
}

} // namespace quillet::nv
