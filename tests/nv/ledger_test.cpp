// The ledger module on real files: its digest, its queries, its file kept whole under damage and
// under writers at the same time.
#include "nv/ledger.h"
#include "nv/sha256.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

Bytes BytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(Sha256, KnownVectors) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "m"
         "nopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1'000'000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sha256Hex(BytesOf(c.input)), c.digest) << c.input.size() << " bytes";
}

// Every length around the block and padding boundaries, against coreutils' sha256sum, and fed
// in uneven pieces.
TEST(Sha256, AgreesWithSha256sumAtEveryBoundary) {
    TempDir dir;
    std::mt19937 random(7);
    for (std::size_t size : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 4097u}) {
        Bytes bytes(size);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        const fs::path file = dir.Write("data.bin", bytes);
        const std::string expected = Shell("sha256sum '" + file.string() + "'").substr(0, 64);
        EXPECT_EQ(Sha256Hex(bytes), expected) << size << " bytes";
        Sha256 pieces;
        for (std::size_t at = 0; at < size; at += 1 + at % 13)
            pieces.Add(std::span(bytes).subspan(at, std::min<std::size_t>(1 + at % 13, size - at)));
        const Sha256Digest digest = pieces.Finish();
        char hex[3];
        std::string text;
        for (const std::uint8_t b : digest) {
            std::snprintf(hex, sizeof hex, "%02x", b);
            text += hex;
        }
        EXPECT_EQ(text, expected) << size << " bytes in pieces";
    }
}

const LedgerPrinter kTill{"tcp:127.0.0.1:9100", "Model T", "S1"};
const LedgerPrinter kOtherTill{"tcp:127.0.0.1:9100", "Model T", "S2"}; // same port, new printer
const LedgerTime kNow = std::chrono::sys_days(std::chrono::year(2026) / 12 / 11) + 3h;

std::string Digest(char c) {
    return std::string(64, c);
}

LedgerWrite Images(char digest, LedgerTime time = kNow - 1h, LedgerPrinter printer = kTill) {
    LedgerWrite w;
    w.time = time;
    w.printer = std::move(printer);
    w.road = NvRoad::Images;
    w.sha256 = Digest(digest);
    w.bytes = 100;
    w.images = 1;
    return w;
}

LedgerWrite Graphics(std::vector<LedgerKey> keys, LedgerTime time = kNow - 1h,
                     NvOperation operation = NvOperation::Store) {
    LedgerWrite w;
    w.time = time;
    w.printer = kTill;
    w.road = NvRoad::Graphics;
    w.operation = operation;
    w.sha256 = Digest('f');
    w.bytes = 200;
    w.keys = std::move(keys);
    return w;
}

TEST(LedgerQueries, UnchangedSince) {
    const LedgerKey a1{"01", Digest('a')}, a2{"01", Digest('b')}, b1{"02", Digest('c')};
    const LedgerKey gone{"01", ""};
    struct Case {
        const char* name;
        std::vector<LedgerWrite> writes;
        LedgerWrite planned;
        bool portOnly;
        int since; // index of the record it is unchanged since, -1 none
    };
    const Case cases[] = {
        {"same FS q bytes",
         {Images('a', kNow - 3h), Images('a', kNow - 2h)},
         Images('a'),
         false,
         1},
        {"other FS q bytes", {Images('a')}, Images('b'), false, -1},
        {"changed back", {Images('a', kNow - 3h), Images('b', kNow - 2h)}, Images('a'), false, -1},
        {"an NV graphics write since",
         {Images('a', kNow - 3h), Graphics({b1}, kNow - 2h)},
         Images('a'),
         false,
         -1},
        {"another printer on the port",
         {Images('a', kNow - 3h, kOtherTill)},
         Images('a'),
         false,
         -1},
        {"by the port alone", {Images('a', kNow - 3h, kOtherTill)}, Images('a'), true, 0},
        {"nothing recorded", {}, Images('a'), false, -1},
        {"every key the same",
         {Graphics({a1}, kNow - 3h), Graphics({b1}, kNow - 2h), Images('x', kNow - 1h)},
         Graphics({a1, b1}),
         false,
         1},
        {"one key changed", {Graphics({a1, b1}, kNow - 3h)}, Graphics({a2, b1}), false, -1},
        {"one key never stored", {Graphics({a1}, kNow - 3h)}, Graphics({a1, b1}), false, -1},
        {"a key deleted since",
         {Graphics({a1}, kNow - 3h), Graphics({gone}, kNow - 2h, NvOperation::Delete)},
         Graphics({a1}),
         false,
         -1},
        {"every key deleted since",
         {Graphics({a1}, kNow - 3h), Graphics({}, kNow - 2h, NvOperation::Delete)},
         Graphics({a1}),
         false,
         -1},
        {"stored again after the deletion",
         {Graphics({}, kNow - 3h, NvOperation::Delete), Graphics({a1}, kNow - 2h)},
         Graphics({a1}),
         false,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto since = UnchangedSince(c.writes, {kTill, c.portOnly}, c.planned);
        ASSERT_EQ(since.has_value(), c.since >= 0);
        if (since)
            EXPECT_EQ(*since, c.writes[c.since]);
    }
}

TEST(LedgerQueries, WritesInTheLastDayOfThisPrinterOnly) {
    const std::vector<LedgerWrite> writes = {
        Images('a', kNow - 24h),      // just outside
        Images('a', kNow - 24h + 1s), // just inside
        Graphics({{"01", Digest('a')}}, kNow - 1h),
        Images('a', kNow - 1h, kOtherTill),
    };
    EXPECT_EQ(WritesWithin(writes, {kTill, false}, kNow), 2u);
    EXPECT_EQ(WritesWithin(writes, {kTill, true}, kNow), 3u);
    EXPECT_EQ(WritesWithin(writes, {kOtherTill, false}, kNow), 1u);
}

TEST(LedgerQueries, PruningKeepsTheLastDayAndWhatDecidesAStore) {
    const std::vector<LedgerWrite> writes = {
        Images('a', kNow - 72h),                     // superseded: dropped
        Graphics({{"01", Digest('a')}}, kNow - 70h), // superseded by the later 01: dropped
        Graphics({{"02", Digest('a')}}, kNow - 69h), // the last 02: kept
        Images('b', kNow - 48h),                     // the last FS q: kept
        Graphics({{"01", Digest('b')}}, kNow - 30h), // the last 01: kept
        Images('a', kNow - 50h, kOtherTill),         // superseded by the next: dropped
        Images('c', kNow - 2h, kOtherTill),          // the last day: kept
        Images('a', kNow - 90h, {"COM3", {}, {}}),   // a third printer's last: kept
    };
    const std::vector<LedgerWrite> expected = {writes[2], writes[3], writes[4], writes[6],
                                               writes[7]};
    EXPECT_EQ(Pruned(writes, kNow), expected);

    // Many printers' last records: the oldest go until the file is within its budget.
    std::vector<LedgerWrite> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(Images('a', kNow - 48h + std::chrono::seconds(i),
                              {"tcp:10.0.0.1:" + std::to_string(i), "Model T", std::to_string(i)}));
    constexpr std::size_t kBudget = 20'000;
    const auto kept = Pruned(many, kNow, kBudget);
    EXPECT_LE(LedgerText(kept).size(), kBudget + 100);
    EXPECT_GT(LedgerText(kept).size(), kBudget - 500);
    EXPECT_EQ(kept.back(), many.back());
}

TEST(LedgerTimes, UtcTextRoundTripsAndRefusesNonsense) {
    LedgerTime time{};
    ASSERT_TRUE(ParseUtcText("2026-12-11T03:00:00Z", time));
    EXPECT_EQ(time, kNow);
    EXPECT_EQ(UtcText(kNow + 59s), "2026-12-11T03:00:59Z");
    for (const char* bad : {"2026-02-30T03:00:00Z", "2026-12-11T24:00:00Z", "2026-12-11 03:00:00",
                            "2026-12-11T03:00:00Z ", "", "x026-12-11T03:00:00Z"})
        EXPECT_FALSE(ParseUtcText(bad, time)) << bad;
}

class LedgerFile : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir.Path() / "state" / "quillet" / "ledger.json";
    Ledger ledger{file};
};

TEST_F(LedgerFile, RecordsSurviveAReadBackAndTheFolderIsMade) {
    std::string warning, why;
    std::vector<LedgerWrite> writes;
    ASSERT_TRUE(ledger.Load(writes, warning, why)) << why;
    EXPECT_TRUE(writes.empty());
    EXPECT_FALSE(fs::exists(file.parent_path())); // reading makes nothing

    const LedgerWrite first = Images('a', LedgerNow() - 2h);
    LedgerWrite second = Graphics({{"LG", Digest('b')}, {"SH", Digest('c')}}, LedgerNow() - 1h);
    second.printer.model.reset();
    ASSERT_TRUE(ledger.Add({first}, LedgerNow(), warning, why)) << why;
    ASSERT_TRUE(ledger.Add({second}, LedgerNow(), warning, why)) << why;
    EXPECT_EQ(warning, "");
    ASSERT_TRUE(ledger.Load(writes, warning, why)) << why;
    EXPECT_EQ(writes, (std::vector<LedgerWrite>{first, second}));
    // Nothing but the ledger and its lock: the temporary file was renamed into place.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ledger.json", "ledger.json.lock"}));
}

TEST_F(LedgerFile, ADamagedFileIsSetAsideWholeAndANewOneBegins) {
    const std::string good = LedgerText({Images('a')});
    std::string missingPort = good;
    missingPort.replace(missingPort.find("\"port\""), 6, "\"pert\"");
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"not JSON", "{\"format\": \"quillet-nv store ledger\", \"version\": 1, \"wri"},
        {"binary", std::string("\x00\xff\x13\x37", 4)},
        {"another file", "{\"format\":\"something else\",\"version\":1,\"writes\":[]}"},
        {"a later version", "{\"format\":\"quillet-nv store ledger\",\"version\":2,\"writes\":[]}"},
        {"writes not a list",
         "{\"format\":\"quillet-nv store ledger\",\"version\":1,\"writes\":{}}"},
        {"a record without its port", missingPort},
        {"a digest too short", std::string(good).replace(good.find(Digest('a')), 64, "abc")},
        {"a bad time", std::string(good).replace(good.find("T02:00:00Z"), 10, "T25:00:00Z")},
        {"too large", std::string(kMaxLedgerBytes + 1, ' ')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file.parent_path());
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << c.text;

        std::vector<LedgerWrite> writes{Images('z')};
        std::string warning, why;
        ASSERT_TRUE(ledger.Load(writes, warning, why, true)) << why; // a look changes nothing
        EXPECT_NE(warning.find("is damaged"), std::string::npos) << warning;
        EXPECT_TRUE(writes.empty());
        EXPECT_TRUE(fs::exists(file));

        warning.clear();
        ASSERT_TRUE(ledger.Add({Images('b', LedgerNow())}, LedgerNow(), warning, why)) << why;
        EXPECT_NE(warning.find("set aside as"), std::string::npos) << warning;
        std::vector<fs::path> aside;
        for (const auto& entry : fs::directory_iterator(file.parent_path()))
            if (entry.path().filename().string().rfind("ledger.json.damaged-", 0) == 0)
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_TRUE(ReadFile(aside[0]) == BytesOf(c.text));
        ASSERT_TRUE(ledger.Load(writes, warning, why)) << why;
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].sha256, Digest('b'));
    }
}

// Writers in processes of their own, all at once: every record is there at the end.
TEST_F(LedgerFile, WritersAtTheSameTimeLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kEach = 10;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Ledger mine(file);
            for (int i = 0; i < kEach; ++i) {
                LedgerWrite write = Images('a', LedgerNow());
                write.printer.port = "writer " + std::to_string(w) + " write " + std::to_string(i);
                std::string warning, why;
                if (!mine.Add({write}, LedgerNow(), warning, why)) {
                    std::fprintf(stderr, "writer %d: %s\n", w, why.c_str());
                    _exit(1);
                }
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<LedgerWrite> writes;
    std::string warning, why;
    ASSERT_TRUE(ledger.Load(writes, warning, why)) << why;
    EXPECT_EQ(warning, "");
    std::set<std::string> ports;
    for (const LedgerWrite& w : writes)
        ports.insert(w.printer.port);
    EXPECT_EQ(ports.size(), std::size_t{kWriters * kEach});
}

TEST(LedgerPlace, FollowsXdgStateHomeThenHome) {
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keepState = oldState ? oldState : "";
    const std::string keepHome = oldHome ? oldHome : "";
    struct Case {
        const char* state;
        const char* home;
        const char* expected; // empty: no place
    };
    const Case cases[] = {{"/s", "/h", "/s/quillet/ledger.json"},
                          {"relative", "/h", "/h/.local/state/quillet/ledger.json"},
                          {nullptr, "/h", "/h/.local/state/quillet/ledger.json"},
                          {nullptr, nullptr, ""}};
    for (const Case& c : cases) {
        c.state ? setenv("XDG_STATE_HOME", c.state, 1) : unsetenv("XDG_STATE_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        fs::path path;
        std::string why;
        const bool placed = DefaultLedgerPath(path, why);
        EXPECT_EQ(placed, *c.expected != '\0');
        EXPECT_EQ(path.string(), c.expected);
    }
    oldState ? setenv("XDG_STATE_HOME", keepState.c_str(), 1) : unsetenv("XDG_STATE_HOME");
    oldHome ? setenv("HOME", keepHome.c_str(), 1) : unsetenv("HOME");
}

} // namespace
} // namespace quillet::nv::test
