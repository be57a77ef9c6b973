// Bad files and bad command lines: a clear message, their exit status, and not a byte sent.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

namespace quillet::nv::test {
namespace {

struct BadCase {
    const char* name;
    std::vector<std::string> args; // @NAME: a file of the test folder; PORT: the printer
    int exit;
    const char* message;
};

std::vector<std::string> Resolve(const std::vector<std::string>& args, const fs::path& dir,
                                 const std::string& port) {
    std::vector<std::string> out;
    for (const std::string& a : args) {
        if (a == "PORT")
            out.push_back(port);
        else if (a[0] == '@')
            out.push_back((dir / a.substr(1)).string());
        else
            out.push_back(a);
    }
    return out;
}

TEST(BadInput, RefusedWithAMessageAndNothingSent) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    dir.Write("notes.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    Bytes png = ReadFile(fixtures[3].file);
    png.resize(png.size() / 2);
    dir.Write("damaged.png", png);
    // 8200 dots: 1025 bytes across, one more than FS q takes.
    dir.Write("wide.bmp", BmpOf(Dots{8200, 8, std::vector<std::uint8_t>(8200 * 8, 1)}));
    std::vector<std::string> many = {"store"};
    for (int i = 0; i < 256; ++i)
        many.push_back("@logo1.bmp");
    many.insert(many.end(), {"--port", "PORT"});

    const BadCase cases[] = {
        {"missing file", {"store", "@nothing.bmp", "--port", "PORT"}, 1, "nothing.bmp"},
        {"text file", {"store", "@logo1.bmp", "@notes.txt", "--port", "PORT"}, 1, "not a picture"},
        {"damaged PNG", {"raster", "@damaged.png", "--port", "PORT"}, 1, "damaged"},
        {"too wide for FS q", {"store", "@wide.bmp", "--port", "PORT"}, 1, "does not fit"},
        {"256 files", many, 2, "1 to 255 files"},
        {"print 0", {"print", "0", "--port", "PORT"}, 2, "not in range"},
        {"print 256", {"print", "256", "--port", "PORT"}, 2, "not in range"},
        {"unknown setting", {"setting", "speed", "9", "--port", "PORT"}, 2, "unknown setting"},
        {"bad value", {"setting", "bps", "4800", "--port", "PORT"}, 2, "bps takes"},
        {"bad port", {"status", "--port", "tcp:printer"}, 2, "bad --port"},
        {"port out of range", {"status", "--port", "tcp:127.0.0.1:70000"}, 2, "bad --port"},
        {"COM on Linux", {"status", "--port", "COM3"}, 2, "Windows names"},
        {"bad baud", {"print", "1", "--baud", "12345", "--port", "PORT"}, 2, "12345"},
        {"no port", {"print", "1"}, 2, "--port"},
        {"threshold with another dither",
         {"store", "@logo1.bmp", "--dither", "atkinson", "--threshold", "9", "--port", "PORT"},
         2,
         "--threshold"},
    };
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const NvRun run = RunNv(Resolve(c.args, dir.Path(), sim.Port()), std::chrono::seconds(30),
                                {"QUILLET_PORT="});
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    sim.Stop();
    EXPECT_TRUE(sim.Raw().empty()) << sim.Raw().size() << " bytes reached the printer";
}

TEST(BadInput, PortsThatCannotBeOpenedSayWhy) {
    TempDir dir;
    dir.Write("plain-file", Bytes{1, 2, 3});
    const BadCase cases[] = {
        {"missing device", {"status", "--port", "/dev/ttyQUILLET-none"}, 1, "no such device"},
        {"regular file", {"status", "--port", "@plain-file"}, 1, "not a device"},
        {"folder", {"status", "--port", "@"}, 1, "is a folder"},
        {"nothing listening", {"status", "--port", "tcp:127.0.0.1:1"}, 1, "cannot connect"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const NvRun run = RunNv(Resolve(c.args, dir.Path(), ""));
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(Save, StoreWithoutAPortOnlyWritesTheFile) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    const fs::path saved = dir.Path() / "NvSave.BIN";
    const NvRun run = RunNv(
        {"store", fixtures[0].file.string(), fixtures[1].file.string(), "--save", saved.string()},
        std::chrono::seconds(30), {"QUILLET_PORT="});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("wrote 2 images"), std::string::npos) << run.out;
    const Bytes bytes = ReadFile(saved);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0x1C, 0x71, 0x02}));
}

} // namespace
} // namespace quillet::nv::test
