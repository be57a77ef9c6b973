#include "nv/ledger.h"

#include "logo/file_paths.h"
#include "nv/ledger_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <system_error>

namespace quillet::nv {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kFormat = "quillet-nv store ledger";
constexpr int kVersion = 1;
// Another run holds the lock for one read and one write of a small file.
constexpr std::chrono::seconds kLockWait{30};
// A path's longest on Linux; printer names are far shorter.
constexpr std::size_t kLongestText = 4096;

const char* RoadName(NvRoad road) {
    return road == NvRoad::Images ? "FS q" : "NV graphics";
}

const char* OperationName(NvOperation operation) {
    return operation == NvOperation::Store ? "store" : "delete";
}

bool IsSha256Hex(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

json OptionalText(const std::optional<std::string>& text) {
    return text ? json(*text) : json();
}

json WriteJson(const LedgerWrite& w) {
    json record = {{"time", UtcText(w.time)},
                   {"port", w.printer.port},
                   {"model", OptionalText(w.printer.model)},
                   {"serial", OptionalText(w.printer.serial)},
                   {"road", RoadName(w.road)},
                   {"operation", OperationName(w.operation)},
                   {"sha256", w.sha256},
                   {"bytes", w.bytes}};
    if (w.road == NvRoad::Images) {
        record["images"] = w.images;
    } else {
        json keys = json::array();
        for (const LedgerKey& k : w.keys) {
            json key = {{"key", k.key}};
            if (!k.sha256.empty())
                key["sha256"] = k.sha256;
            keys.push_back(key);
        }
        record["keys"] = keys;
    }
    return record;
}

// Throws json::exception on a field of the wrong type; false with why on a wrong value.
bool TextField(const json& record, const char* name, std::optional<std::string>& text,
               std::string& why) {
    const json& value = record.at(name);
    if (value.is_null()) {
        text.reset();
        return true;
    }
    text = value.get<std::string>();
    if (text->empty() || text->size() > kLongestText) {
        why = std::string("a record's ") + name + " is empty or too long";
        return false;
    }
    return true;
}

bool WriteFromJson(const json& record, LedgerWrite& w, std::string& why) {
    if (!record.is_object()) {
        why = "a record is not an object";
        return false;
    }
    if (!ParseUtcText(record.at("time").get<std::string>(), w.time)) {
        why = "a record's time is not a UTC time";
        return false;
    }
    std::optional<std::string> port;
    if (!TextField(record, "port", port, why) ||
        !TextField(record, "model", w.printer.model, why) ||
        !TextField(record, "serial", w.printer.serial, why))
        return false;
    if (!port) {
        why = "a record has no port";
        return false;
    }
    w.printer.port = *port;
    const std::string road = record.at("road").get<std::string>();
    const std::string operation = record.at("operation").get<std::string>();
    if (road != RoadName(NvRoad::Images) && road != RoadName(NvRoad::Graphics)) {
        why = "a record's road is '" + road + "'";
        return false;
    }
    w.road = road == RoadName(NvRoad::Images) ? NvRoad::Images : NvRoad::Graphics;
    if (operation != "store" && !(operation == "delete" && w.road == NvRoad::Graphics)) {
        why = "a record's operation is '" + operation + "'";
        return false;
    }
    w.operation = operation == "store" ? NvOperation::Store : NvOperation::Delete;
    w.sha256 = record.at("sha256").get<std::string>();
    w.bytes = record.at("bytes").get<std::uint64_t>();
    if (!IsSha256Hex(w.sha256)) {
        why = "a record's sha256 is not 64 hex digits";
        return false;
    }
    if (w.road == NvRoad::Images) {
        w.images = record.at("images").get<unsigned>();
        return true;
    }
    for (const json& k : record.at("keys")) {
        LedgerKey key{k.at("key").get<std::string>(), k.value("sha256", std::string())};
        const bool stored = w.operation == NvOperation::Store;
        if (key.key.size() != 2 || stored != IsSha256Hex(key.sha256) ||
            (!stored && !key.sha256.empty())) {
            why = "a record's key is not a key and its digest";
            return false;
        }
        w.keys.push_back(key);
    }
    if (w.operation == NvOperation::Store && w.keys.empty()) {
        why = "an NV graphics store names no key";
        return false;
    }
    return true;
}

// What a record is the last one of, for its printer: the FS q store, a key, every key.
std::vector<std::string> Kinds(const LedgerWrite& w) {
    const std::string printer = w.printer.port + '\n' + w.printer.model.value_or("\x01") + '\n' +
                                w.printer.serial.value_or("\x01") + '\n';
    if (w.road == NvRoad::Images)
        return {printer + "FS q"};
    if (w.keys.empty())
        return {printer + "all"};
    std::vector<std::string> kinds;
    for (const LedgerKey& k : w.keys)
        kinds.push_back(printer + "key " + k.key);
    return kinds;
}

std::string CompactUtc(LedgerTime time) {
    std::string text = UtcText(time);
    text.erase(
        std::remove_if(text.begin(), text.end(), [](char c) { return c == '-' || c == ':'; }),
        text.end());
    return text;
}

} // namespace

bool PrinterMatch::Matches(const LedgerPrinter& recorded) const {
    return portOnly ? recorded.port == printer.port : recorded == printer;
}

std::optional<LedgerWrite> UnchangedSince(const std::vector<LedgerWrite>& writes,
                                          const PrinterMatch& printer, const LedgerWrite& planned) {
    if (planned.operation != NvOperation::Store)
        return std::nullopt;
    if (planned.road == NvRoad::Images) {
        for (auto w = writes.rbegin(); w != writes.rend(); ++w) {
            if (!printer.Matches(w->printer))
                continue;
            if (w->road == NvRoad::Graphics)
                return std::nullopt;
            if (w->operation == NvOperation::Store)
                return w->sha256 == planned.sha256 ? std::optional(*w) : std::nullopt;
        }
        return std::nullopt;
    }
    std::optional<LedgerWrite> newest;
    for (const LedgerKey& want : planned.keys) {
        const LedgerWrite* last = nullptr;
        const LedgerKey* lastKey = nullptr;
        for (auto w = writes.rbegin(); w != writes.rend() && !last; ++w) {
            if (!printer.Matches(w->printer) || w->road != NvRoad::Graphics)
                continue;
            const auto key = std::find_if(w->keys.begin(), w->keys.end(),
                                          [&](const LedgerKey& k) { return k.key == want.key; });
            if (key != w->keys.end() || w->keys.empty()) {
                last = &*w;
                lastKey = key != w->keys.end() ? &*key : nullptr;
            }
        }
        if (!last || last->operation != NvOperation::Store || lastKey->sha256 != want.sha256)
            return std::nullopt;
        if (!newest || last->time > newest->time)
            newest = *last;
    }
    return newest;
}

unsigned WritesWithin(const std::vector<LedgerWrite>& writes, const PrinterMatch& printer,
                      LedgerTime now, std::chrono::seconds window) {
    return static_cast<unsigned>(std::count_if(writes.begin(), writes.end(), [&](const auto& w) {
        return printer.Matches(w.printer) && w.time > now - window && w.time <= now;
    }));
}

std::vector<LedgerWrite> Pruned(std::vector<LedgerWrite> writes, LedgerTime now,
                                std::size_t budget) {
    std::vector<bool> keep(writes.size());
    std::set<std::string> seen;
    for (std::size_t i = writes.size(); i-- > 0;) {
        keep[i] = writes[i].time > now - kDailyWindow;
        for (const std::string& kind : Kinds(writes[i]))
            keep[i] = seen.insert(kind).second || keep[i];
    }
    std::vector<LedgerWrite> kept;
    std::vector<std::size_t> sizes;
    std::size_t total = 0;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (!keep[i])
            continue;
        sizes.push_back(WriteJson(writes[i]).dump().size() + 2);
        total += sizes.back();
        kept.push_back(std::move(writes[i]));
    }
    std::size_t drop = 0;
    while (drop < kept.size() && total > budget)
        total -= sizes[drop++];
    kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(drop));
    return kept;
}

// One record a line, so that the file reads well and compares well.
std::string LedgerText(const std::vector<LedgerWrite>& writes) {
    std::string text = std::string("{\"format\":\"") + kFormat +
                       "\",\"version\":" + std::to_string(kVersion) + ",\"writes\":[";
    for (std::size_t i = 0; i < writes.size(); ++i)
        text += (i ? ",\n" : "\n") + WriteJson(writes[i]).dump();
    text += "\n]}\n";
    return text;
}

bool ParseLedger(const std::string& text, std::vector<LedgerWrite>& writes, std::string& why) {
    writes.clear();
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        why = "it is not JSON";
        return false;
    }
    try {
        if (!root.is_object() || root.value("format", "") != kFormat) {
            why = "it is not a quillet-nv ledger";
            return false;
        }
        if (root.at("version").get<int>() != kVersion) {
            why = "its version is not " + std::to_string(kVersion);
            return false;
        }
        const json& records = root.at("writes");
        if (!records.is_array()) {
            why = "its writes are not a list";
            return false;
        }
        for (const json& record : records) {
            LedgerWrite w;
            if (!WriteFromJson(record, w, why)) {
                writes.clear();
                return false;
            }
            writes.push_back(std::move(w));
        }
    } catch (const json::exception& e) {
        writes.clear();
        why = std::string("a field is missing or of the wrong kind (") + e.what() + ")";
        return false;
    }
    return true;
}

std::string UtcText(LedgerTime time) {
    const auto days = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date{days};
    const std::chrono::hh_mm_ss clock{time - days};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

bool ParseUtcText(const std::string& text, LedgerTime& time) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &y, &mo, &d, &h, &mi, &s, &used) !=
            6 ||
        used != 20)
        return false;
    const std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(unsigned(mo)),
                                           std::chrono::day(unsigned(d))};
    if (!date.ok() || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return false;
    time = std::chrono::sys_days(date) + std::chrono::hours(h) + std::chrono::minutes(mi) +
           std::chrono::seconds(s);
    return true;
}

std::string LocalMinuteText(LedgerTime time) {
    const std::time_t t = static_cast<std::time_t>(time.time_since_epoch().count());
    std::tm local{};
#ifdef _WIN32
    const bool ok = localtime_s(&local, &t) == 0;
#else
    const bool ok = localtime_r(&t, &local) != nullptr;
#endif
    char text[32];
    if (!ok || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0)
        return UtcText(time);
    return text;
}

LedgerTime LedgerNow() {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

bool DefaultLedgerPath(fs::path& path, std::string& why) {
#ifdef _WIN32
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local && *local) {
        path = fs::path(local) / "quillet" / "ledger.json";
        return true;
    }
    why = "LOCALAPPDATA is not set: give --ledger FILE";
    return false;
#else
    // Only an absolute XDG_STATE_HOME counts.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
        path = fs::path(state) / "quillet" / "ledger.json";
        return true;
    }
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        path = fs::path(home) / ".local" / "state" / "quillet" / "ledger.json";
        return true;
    }
    why = "neither XDG_STATE_HOME nor HOME is set: give --ledger FILE";
    return false;
#endif
}

Ledger::Ledger(fs::path file) : file_(std::move(file)) {}

bool Ledger::Read(std::vector<LedgerWrite>& writes, bool setAside, std::string& warning,
                  std::string& why) {
    writes.clear();
    std::string text;
    std::string damage;
    switch (ReadSmallFile(file_, kMaxLedgerBytes, text, why)) {
    case ReadOutcome::Missing:
        return true;
    case ReadOutcome::Failed:
        why = "cannot read the ledger '" + logo::PathToUtf8(file_) + "' (" + why + ")";
        return false;
    case ReadOutcome::TooLarge:
        damage = "it is larger than " + std::to_string(kMaxLedgerBytes / (1024 * 1024)) + " MiB";
        break;
    case ReadOutcome::Read:
        if (ParseLedger(text, writes, damage))
            return true;
        break;
    }
    const std::string shown = "the ledger '" + logo::PathToUtf8(file_) + "' is damaged (" + damage;
    if (!setAside) {
        warning = shown + "); a run that writes will set it aside";
        return true;
    }
    fs::path aside;
    for (int n = 1; n <= 100; ++n) {
        // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) on a chain of additions.
        std::string suffix = ".damaged-";
        suffix += CompactUtc(LedgerNow());
        if (n > 1) {
            suffix += '-';
            suffix += std::to_string(n);
        }
        aside = file_;
        aside += suffix;
        std::error_code taken;
        if (!fs::exists(aside, taken) && !taken)
            break;
    }
    std::error_code error;
    fs::rename(file_, aside, error);
    if (error) {
        why = shown + ") and cannot be set aside (" + error.message() + ")";
        return false;
    }
    warning = shown + "); set aside as '" + logo::PathToUtf8(aside) + "', a new one begins";
    return true;
}

bool Ledger::Lock(FileLock& lock, std::string& why) const {
    fs::path lockFile = file_;
    lockFile += ".lock";
    if (lock.Take(lockFile, kLockWait, why))
        return true;
    why = "the ledger '" + logo::PathToUtf8(file_) + "': " + why;
    return false;
}

bool Ledger::Load(std::vector<LedgerWrite>& writes, std::string& warning, std::string& why,
                  bool look) {
    std::error_code error;
    if (look || !fs::is_directory(file_.parent_path(), error))
        return Read(writes, false, warning, why);
    FileLock lock;
    if (!Lock(lock, why))
        return false;
    return Read(writes, true, warning, why);
}

bool Ledger::Add(const std::vector<LedgerWrite>& added, LedgerTime now, std::string& warning,
                 std::string& why) {
    std::error_code error;
    if (!file_.parent_path().empty())
        fs::create_directories(file_.parent_path(), error);
    if (error) {
        why = "cannot make the ledger's folder '" + logo::PathToUtf8(file_.parent_path()) + "' (" +
              error.message() + ")";
        return false;
    }
    FileLock lock;
    if (!Lock(lock, why))
        return false;
    std::vector<LedgerWrite> writes;
    if (!Read(writes, true, warning, why))
        return false;
    writes.insert(writes.end(), added.begin(), added.end());
    if (!ReplaceWholeFile(file_, LedgerText(Pruned(std::move(writes), now)), why)) {
        why = "cannot write the ledger '" + logo::PathToUtf8(file_) + "': " + why;
        return false;
    }
    return true;
}

} // namespace quillet::nv
