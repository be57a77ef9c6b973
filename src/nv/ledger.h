// The store ledger: one record per NV write a printer confirmed, so that a nightly job can leave
// an unchanged logo alone and count a printer's writes in a day. A JSON file, bounded in size,
// replaced whole under a lock.
#pragma once

#include "nv/ledger_file.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet::nv {

using LedgerTime = std::chrono::sys_seconds;

// Printer manuals advise about ten NV writes a day.
inline constexpr unsigned kDailyNvWrites = 10;
inline constexpr std::chrono::hours kDailyWindow{24};
// Far beyond what years of stores to a shop's printers take: anything larger was never ours.
inline constexpr std::size_t kMaxLedgerBytes = 4 * 1024 * 1024;

enum class NvRoad { Images, Graphics }; // FS q, GS ( L
enum class NvOperation { Store, Delete };

// Who was written: the port, and the names the printer gave (GS I 67, GS I 68) where it did.
struct LedgerPrinter {
    std::string port;
    std::optional<std::string> model;
    std::optional<std::string> serial;
    bool operator==(const LedgerPrinter&) const = default;
};

struct LedgerKey {
    std::string key;
    std::string sha256; // of the key's definition; empty for a deletion
    bool operator==(const LedgerKey&) const = default;
};

// One confirmed NV write, or what one would be.
struct LedgerWrite {
    LedgerTime time{};
    LedgerPrinter printer;
    NvRoad road = NvRoad::Images;
    NvOperation operation = NvOperation::Store;
    std::string sha256; // of every byte sent
    std::uint64_t bytes = 0;
    unsigned images = 0;         // an FS q store
    std::vector<LedgerKey> keys; // NV graphics: each key stored or deleted; none: delete all
    bool operator==(const LedgerWrite&) const = default;
};

// Which records are this printer's: all of its names must agree, or, before the printer has
// been asked (a dry run), its port alone.
struct PrinterMatch {
    LedgerPrinter printer;
    bool portOnly = false;
    bool Matches(const LedgerPrinter& recorded) const;
};

// The record after which nothing that matters to `planned` (a store) changed, or none: the last
// FS q download with the same bytes and no NV graphics write since (one may erase it); for NV
// graphics, for every key a last store with the same bytes and no deletion since. The newest
// such record, whose time says since when.
std::optional<LedgerWrite> UnchangedSince(const std::vector<LedgerWrite>& writes,
                                          const PrinterMatch& printer, const LedgerWrite& planned);

// The printer's NV writes in the `window` before `now`.
unsigned WritesWithin(const std::vector<LedgerWrite>& writes, const PrinterMatch& printer,
                      LedgerTime now, std::chrono::seconds window = kDailyWindow);

// What is kept: every record of the last day, and older ones only while they are the last for
// their printer's FS q store, NV graphics key or deletion of all keys; then the oldest go until
// the file takes at most `budget` bytes.
std::vector<LedgerWrite> Pruned(std::vector<LedgerWrite> writes, LedgerTime now,
                                std::size_t budget = kMaxLedgerBytes / 2);

// The file's text, and back; false with why when the text is not a whole ledger.
std::string LedgerText(const std::vector<LedgerWrite>& writes);
bool ParseLedger(const std::string& text, std::vector<LedgerWrite>& writes, std::string& why);

// "2026-12-11T03:00:00Z", and "2026-12-11 03:00" in local time for messages.
std::string UtcText(LedgerTime time);
bool ParseUtcText(const std::string& text, LedgerTime& time);
std::string LocalMinuteText(LedgerTime time);
LedgerTime LedgerNow();

// $XDG_STATE_HOME/quillet/ledger.json, else ~/.local/state/quillet/ledger.json (on Windows
// %LOCALAPPDATA%\quillet\ledger.json); false with why when neither is set.
bool DefaultLedgerPath(std::filesystem::path& path, std::string& why);

class Ledger {
public:
    explicit Ledger(std::filesystem::path file);

    // The records, read under the lock. A damaged file is set aside (renamed beside it) and
    // `warning` says so; false with why when the ledger cannot be read or locked. `look` only
    // reads: a damaged file is reported, left where it is and taken as empty.
    bool Load(std::vector<LedgerWrite>& writes, std::string& warning, std::string& why,
              bool look = false);
    // Adds `added` under the lock, to the records as they are now on disk (another run may have
    // added its own since Load), prunes, and replaces the file.
    bool Add(const std::vector<LedgerWrite>& added, LedgerTime now, std::string& warning,
             std::string& why);

private:
    bool Read(std::vector<LedgerWrite>& writes, bool setAside, std::string& warning,
              std::string& why);
    // Takes the lock file beside the ledger.
    bool Lock(FileLock& lock, std::string& why) const;

    std::filesystem::path file_;
};

} // namespace quillet::nv
