// store and raster convert pictures with quillet-logo's own options, --gamma among them: the
// same picture and options give the same dots in both programs.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

// quillet-logo's result for `picture` with `options`.
fs::path LogoResult(const fs::path& picture, const fs::path& out, const std::string& options) {
    Shell(std::string(QUILLET_LOGO_PROGRAM) + " '" + picture.string() + "' -o '" + out.string() +
          "' " + options + " >/dev/null");
    return out;
}

TEST(PictureOptions, StoreAndRasterConvertAsQuilletLogoDoes) {
    TempDir dir;
    Shell("convert -size 200x60 gradient:white-black '" + (dir.Path() / "grey.png").string() + "'");
    const fs::path grey = dir.Path() / "grey.png";
    const fs::path light = LogoResult(grey, dir.Path() / "light.bmp", "--gamma 2.5 --width 160");
    const fs::path plain = LogoResult(grey, dir.Path() / "plain.bmp", "--width 160");
    ASSERT_NE(ReadFile(light), ReadFile(plain)) << "--gamma changed nothing";

    // store: the download of the converted picture is the download of quillet-logo's BMP.
    const fs::path converted = dir.Path() / "converted.bin", direct = dir.Path() / "direct.bin";
    NvRun run = RunNv(
        {"store", grey.string(), "--gamma", "2.5", "--width", "160", "--save", converted.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    run = RunNv({"store", light.string(), "--save", direct.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(ReadFile(converted), ReadFile(direct));

    // raster: the printed receipt holds quillet-logo's dots.
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    run =
        RunNv({"raster", "--port", sim.Port(), grey.string(), "--gamma", "2.5", "--width", "160"});
    ASSERT_EQ(run.exit, 0) << run.err;
    ASSERT_TRUE(sim.WaitForReceipts(1, 10s));
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts()[0]), {ReadDots(light)}, 1), "");
}

TEST(PictureOptions, BadValuesAreRefusedWithQuilletLogosWords) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    const std::string file = fixtures[3].file.string();
    const fs::path save = dir.Path() / "never.bin";
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"store", file, "--gamma", "0.1", "--save", save.string()},
         "--gamma takes 0.2 to 5, not '0.1'"},
        {{"raster", file, "--gamma", "nan", "--port", "tcp:127.0.0.1:9"},
         "--gamma takes 0.2 to 5, not 'nan'"},
        {{"store", file, "--threshold", "90", "--gamma", "2", "--save", save.string()},
         "--gamma shapes the tone of the other dithers"},
        {{"store", file, "--width", "1601", "--save", save.string()}, "--width takes 1 to 1600"},
        {{"raster", file, "--paper", "70", "--port", "tcp:127.0.0.1:9"},
         "--paper takes 80 or 58, not '70'"},
        {{"store", file, "--width", "100", "--paper", "58", "--save", save.string()},
         "--width and --paper exclude each other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const NvRun run = RunNv(c.args, 30s, {"QUILLET_PORT="});
        EXPECT_EQ(run.exit, 2) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(save));
    }
}

} // namespace
} // namespace quillet::nv::test
