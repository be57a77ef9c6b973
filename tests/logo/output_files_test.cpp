// Writing the results together: every file in place, or every file as it was.
#include "../unit/bmp_builder.h"
#include "logo/output_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string Text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Tree(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        names.push_back(fs::relative(entry.path(), dir).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const Bytes kNewA{'n', 'e', 'w', 'A'};
const Bytes kNewB{'n', 'e', 'w', 'B'};

struct Case {
    const char* name;
    bool oldA;     // a.bin exists before
    const char* b; // where the second file goes
    bool ok;
    std::size_t failed;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Case kCases[] = {
    {"both_replaced", true, "b.bin", true, 0},
    {"both_new", false, "b.bin", true, 0},
    // The second rename fails (its target is a folder that holds a file): the first is undone.
    {"second_rename_fails_old_first_back", true, "full", false, 1},
    {"second_rename_fails_new_first_gone", false, "full", false, 1},
    {"second_cannot_be_created", true, "missing/b.bin", false, 1},
};

class WriteTogether : public testing::TestWithParam<Case> {};

TEST_P(WriteTogether, AllInPlaceOrAllAsTheyWere) {
    const Case& c = GetParam();
    quillet::test::TempDir dir;
    if (c.oldA) {
        dir.Write("a.bin", Bytes{'o', 'l', 'd'});
    }
    fs::create_directory(dir.Path() / "full");
    dir.Write("full/inside", Bytes{'x'});
    const std::vector<std::string> before = Tree(dir.Path());
    const OutputFile files[] = {{dir.Path() / "a.bin", kNewA, true},
                                {dir.Path() / c.b, kNewB, true}};
    std::size_t failed = 99;
    std::string why;
    ASSERT_EQ(WriteFilesTogether(files, failed, why), c.ok) << why;
    if (c.ok) {
        EXPECT_EQ(Text(dir.Path() / "a.bin"), "newA");
        EXPECT_EQ(Text(dir.Path() / c.b), "newB");
        return;
    }
    EXPECT_EQ(failed, c.failed);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(Tree(dir.Path()), before) << why;
    if (c.oldA) {
        EXPECT_EQ(Text(dir.Path() / "a.bin"), "old");
    }
    EXPECT_EQ(Text(dir.Path() / "full/inside"), "x");
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteTogether, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A link planted where the output goes is replaced, not written through.
TEST(WriteTogether, ALinkInTheWayIsReplacedNotFollowed) {
    quillet::test::TempDir dir;
    dir.Write("elsewhere", Bytes{'k', 'e', 'e', 'p'});
    fs::create_symlink(dir.Path() / "elsewhere", dir.Path() / "a.bin");
    const OutputFile files[] = {{dir.Path() / "a.bin", kNewA, true}};
    std::size_t failed = 0;
    std::string why;
    ASSERT_TRUE(WriteFilesTogether(files, failed, why)) << why;
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "a.bin"));
    EXPECT_EQ(Text(dir.Path() / "a.bin"), "newA");
    EXPECT_EQ(Text(dir.Path() / "elsewhere"), "keep");
}

} // namespace
} // namespace quillet::logo
