// The disk operations the converter's output rests on, through this system's own calls: built
// natively, and for Windows to run under Wine.
#include "logo/disk_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

class Folder {
public:
    Folder() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("quillet-disk-" + std::to_string(now));
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(DiskOps, MovesReplaceOnlyWhenAsked) {
    struct Case {
        const char* name;
        bool replacing;
        bool targetThere;
        bool moves;
    };
    const Case cases[] = {
        {"no_replace_onto_a_file", false, true, false},
        {"no_replace_onto_nothing", false, false, true},
        {"replacing_onto_a_file", true, true, true},
        {"replacing_onto_nothing", true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder dir;
        Put(dir / "new", "new");
        if (c.targetThere) {
            Put(dir / "target", "theirs");
        }
        const DiskResult r = c.replacing ? MoveReplacing(dir / "new", dir / "target")
                                         : MoveNoReplace(dir / "new", dir / "target");
        EXPECT_EQ(r.ok, c.moves) << r.why;
        EXPECT_EQ(r.nameTaken, !c.moves);
        EXPECT_EQ(Text(dir / "target"), c.moves ? "new" : "theirs");
        EXPECT_EQ(fs::exists(dir / "new"), !c.moves);
        EXPECT_EQ(r.why.empty(), c.moves);
    }
}

TEST(DiskOps, ANewFileNeverTakesAnExistingName) {
    Folder dir;
    Put(dir / "there", "theirs");
    const std::uint8_t bytes[] = {'n', 'e', 'w'};
    const DiskResult taken = WriteNewFile(dir / "there", bytes, {});
    EXPECT_FALSE(taken.ok);
    EXPECT_TRUE(taken.nameTaken);
    EXPECT_EQ(Text(dir / "there"), "theirs");
    const DiskResult made = WriteNewFile(dir / "made", bytes, dir / "there");
    ASSERT_TRUE(made.ok) << made.why;
    EXPECT_EQ(Text(dir / "made"), "new");
    const DiskResult nowhere = WriteNewFile(dir / "missing" / "made", bytes, {});
    EXPECT_FALSE(nowhere.ok);
    EXPECT_FALSE(nowhere.nameTaken);
    EXPECT_FALSE(nowhere.why.empty());
}

TEST(DiskOps, KindsOfPlaces) {
    Folder dir;
    Put(dir / "file", "x");
    fs::create_directory(dir / "folder");
#ifdef _WIN32
    const fs::path device = "NUL";
#else
    const fs::path device = "/dev/null";
#endif
    const std::pair<fs::path, PlaceKind> cases[] = {
        {dir / "missing", PlaceKind::Missing},
        {dir / "file", PlaceKind::Regular},
        {dir / "folder", PlaceKind::Other},
        {device, PlaceKind::Other},
    };
    for (const auto& [path, want] : cases) {
        PlaceKind kind = PlaceKind::Regular;
        const DiskResult r = KindOf(path, kind);
        ASSERT_TRUE(r.ok) << path << ": " << r.why;
        EXPECT_EQ(int(kind), int(want)) << path;
    }
}

TEST(DiskOps, ASecondNameIsTheSameFile) {
    Folder dir;
    Put(dir / "file", "x");
    const DiskResult r = LinkNew(dir / "file", dir / "second");
    ASSERT_TRUE(r.ok) << r.why;
    EXPECT_TRUE(fs::equivalent(dir / "file", dir / "second"));
    EXPECT_TRUE(RemoveFile(dir / "second").ok);
    EXPECT_FALSE(fs::exists(dir / "second"));
    EXPECT_FALSE(RemoveFile(dir / "second").ok);
}

} // namespace
} // namespace quillet::logo
