// The quillet-logo program itself, run as scripts run it: arguments, exit codes, messages, and
// which files exist afterwards.
#include "../unit/bmp_builder.h"
#include "image/mono_bmp.h"
#include "logo_program.h"
#include "logo_test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

using test::Files;
using test::ProgramRun;
using test::ReadText;
using test::RunLogo;

Bytes GreyPng(std::uint32_t w, std::uint32_t h, std::uint8_t level) {
    return test::PngFile(w, h, 1, Bytes(std::size_t{w} * h, level));
}

// A real PNG header and chunk layout claiming 30000 x 30000, with a little zlib data.
Bytes HugeClaimPng() {
    Bytes png = GreyPng(4, 4, 128);
    const std::uint32_t side = 30000;
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = png[20 + i] = static_cast<std::uint8_t>(side >> (24 - 8 * i));
    }
    return png;
}

// 1 x 1 grey whose image data inflates to 128 MiB of zeros: stb_image would grow its buffer to
// all of it for the two bytes the picture needs.
Bytes InflatingPng() {
    const std::string script =
        "import struct, zlib, sys\n"
        "def chunk(k, d): return struct.pack('>I', len(d)) + k + d + "
        "struct.pack('>I', zlib.crc32(k + d))\n"
        "z = zlib.compressobj(9)\n"
        "data = b''.join(z.compress(bytes(1 << 20)) for _ in range(128)) + z.flush()\n"
        "sys.stdout.buffer.write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', "
        "struct.pack('>IIBBBBB', 1, 1, 8, 0, 0, 0, 0)) + chunk(b'IDAT', data) + "
        "chunk(b'IEND', b''))\n";
    const std::string png = quillet::test::CommandOutput("python3 -c \"" + script + "\"");
    return Bytes(png.begin(), png.end());
}

struct BadInput {
    const char* name;
    std::function<Bytes()> bytes;
    const char* why; // part of the message
};

void PrintTo(const BadInput& c, std::ostream* os) {
    *os << c.name;
}

const BadInput kBadInputs[] = {
    {"empty", [] { return Bytes{}; }, "empty"},
    {"text", [] { return Bytes{'h', 'e', 'l', 'l', 'o', '\n'}; }, "not a PNG"},
    {"truncated_png",
     [] {
         Bytes png = GreyPng(300, 200, 77);
         png.resize(png.size() / 2);
         return png;
     },
     "damaged"},
    {"claims_30000", HugeClaimPng, "30000 x 30000"},
    // An image data chunk claiming 1.2 GB in a file of a few hundred bytes.
    {"image_data_past_the_end",
     [] {
         Bytes png = GreyPng(16, 12, 90);
         const std::uint8_t length[] = {0x4A, 0x00, 0x00, 0x00};
         std::copy(std::begin(length), std::end(length), png.begin() + 33);
         return png;
     },
     "its image data runs past the end of the file"},
    {"image_data_inflates_past_its_rows", InflatingPng,
     "its image data inflates to more than its 1 x 1 pixels take"},
};

class BadInputs : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, ExitOneNameTheFileWriteNothingStaySmall) {
    quillet::test::TempDir dir;
    dir.Write("in.png", GetParam().bytes());
    const ProgramRun run = RunLogo(dir.Path(), {"in.png", "--preview", "p.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("'in.png'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(GetParam().why), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"in.png"});
    // Decoding 30000 x 30000 would take 900 MB; the refusal comes before.
    EXPECT_LT(run.maxRssKb, 150 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputs, testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadOutputs, APreviewThatCannotBeWrittenLeavesNoBmpEither) {
    quillet::test::TempDir dir;
    dir.Write("in.png", GreyPng(40, 20, 77));
    const ProgramRun run = RunLogo(dir.Path(), {"in.png", "--preview", "no/such/p.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write 'no/such/p.png'"), std::string::npos) << run.err;
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"in.png"});
}

// A zlib stream of zeros that inflates to 15000 x 15000 grey: a real decompression bomb, each
// side within the limit, 225 million pixels over it.
TEST(BadInputs, DecompressionBombIsRefusedBeforeInflating) {
    quillet::test::TempDir dir;
    const std::string script =
        "import struct, zlib, sys\n"
        "def chunk(k, d): return struct.pack('>I', len(d)) + k + d + "
        "struct.pack('>I', zlib.crc32(k + d))\n"
        "row = b'\\0' * 15001\n"
        "z = zlib.compressobj(9)\n"
        "data = b''.join(z.compress(row) for _ in range(15000)) + z.flush()\n"
        "sys.stdout.buffer.write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', "
        "struct.pack('>IIBBBBB', 15000, 15000, 8, 0, 0, 0, 0)) + chunk(b'IDAT', data) + "
        "chunk(b'IEND', b''))\n";
    dir.Write("bomb.py", Bytes(script.begin(), script.end()));
    const std::string png =
        quillet::test::CommandOutput("python3 '" + (dir.Path() / "bomb.py").string() + "'");
    ASSERT_GT(png.size(), 1000u);
    ASSERT_LT(png.size(), 2u << 20);
    dir.Write("bomb.png", Bytes(png.begin(), png.end()));
    const ProgramRun run = RunLogo(dir.Path(), {"bomb.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("'bomb.png': 15000 x 15000 pixels is more than this program takes"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir.Path() / "bomb-logo.bmp"));
    EXPECT_LT(run.maxRssKb, 150 * 1024);
}

TEST(Command, DefaultOutputBesideTheInputAndOneResultLine) {
    quillet::test::TempDir dir;
    fs::create_directory(dir.Path() / "art");
    dir.Write("art/logo.png", GreyPng(1200, 800, 200));
    const ProgramRun run = RunLogo(dir.Path(), {"art/logo.png"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "art/logo.png 1200x800 -> art/logo-logo.bmp 576x384, floyd-steinberg, "
                       "NV block 27,652 bytes\n");
    EXPECT_EQ(run.err, "");
    MonoBmp picture;
    ASSERT_EQ(picture.Read((dir.Path() / "art/logo-logo.bmp").c_str(), quillet::CheckNvGeometry),
              BmpCheck::Ok);
    EXPECT_EQ(picture.Info().width, 576u);
    EXPECT_EQ(picture.Info().height, 384u);

    // A second run refuses to replace it; --force does.
    const ProgramRun again = RunLogo(dir.Path(), {"art/logo.png", "--paper", "58"});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("exists; --force"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("usage: quillet-logo INPUT"), std::string::npos);
    const ProgramRun forced =
        RunLogo(dir.Path(), {"art/logo.png", "--paper", "58", "--force", "--dither", "atkinson"});
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.out.find("384x256, atkinson"), std::string::npos) << forced.out;
    EXPECT_EQ(Files(dir.Path() / "art"), (std::vector<std::string>{"logo-logo.bmp", "logo.png"}));
}

TEST(Command, PreviewIsTheBitmapAtOnePixelPerDot) {
    quillet::test::TempDir dir;
    Bytes grey(40 * 30);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>(i * 37 % 256);
    }
    dir.Write("in.png", test::PngFile(40, 30, 1, grey));
    const ProgramRun run = RunLogo(dir.Path(), {"in.png", "-o", "out.bmp", "--preview", "out.png"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bmp = quillet::test::CommandOutput(
        "convert '" + (dir.Path() / "out.bmp").string() + "' -depth 8 gray:-");
    const std::string png = quillet::test::CommandOutput(
        "convert '" + (dir.Path() / "out.png").string() + "' -depth 8 gray:-");
    EXPECT_EQ(bmp.size(), 40u * 30u);
    EXPECT_EQ(png, bmp);
}

// A flat grey of sRGB 128: about half its dots by default, fewer at gamma 2, more at 0.5; a
// threshold alone selects the threshold dither and cuts at its value.
TEST(Command, GammaAndThresholdOnAFlatGrey) {
    struct Case {
        std::vector<std::string> options;
        const char* dither;
        double share;
    };
    const Case cases[] = {
        {{}, "floyd-steinberg", 1 - 128 / 255.0},
        {{"--gamma", "2"}, "floyd-steinberg", 1 - std::sqrt(128 / 255.0)},
        {{"--gamma", "0.5", "--dither", "ordered"}, "ordered", 1 - std::pow(128 / 255.0, 2.0)},
        {{"--threshold", "129"}, "threshold", 1.0},
        {{"--threshold", "128"}, "threshold", 0.0},
    };
    for (const Case& c : cases) {
        quillet::test::TempDir dir;
        dir.Write("grey.png", GreyPng(64, 64, 128));
        std::vector<std::string> args{"grey.png", "-o", "out.bmp"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProgramRun run = RunLogo(dir.Path(), args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("64x64, ") + c.dither), std::string::npos) << run.out;
        MonoBmp picture;
        ASSERT_EQ(picture.Read((dir.Path() / "out.bmp").c_str(), quillet::CheckNvGeometry),
                  BmpCheck::Ok);
        std::size_t dots = 0;
        for (std::uint32_t y = 0; y < 64; ++y) {
            for (const std::uint8_t byte : picture.Row(y)) {
                dots += std::popcount(byte);
            }
        }
        EXPECT_NEAR(dots / 4096.0, c.share, 0.02) << c.options.size() << " options";
    }
}

// Tall results convert (exit 0) with a warning: over 2304 dots many printers refuse them for NV
// memory; over 8000 Quillet's own NV download refuses them.
TEST(Command, TallPictureWarnsButConverts) {
    struct Case {
        std::uint32_t height;
        const char* size;
        const char* warning;
    };
    const Case cases[] = {
        {300, "80x2400", "warning: 2400 dots tall; many printers refuse"},
        {1001, "80x8008",
         "warning: 8008 dots tall; Quillet stores at most 8000 in NV memory (the "
         "download's columns hold 1000 bytes) and refuses this one for Quilets "
         "Save with \"Error : Bitmap size !!!\""},
    };
    for (const Case& c : cases) {
        quillet::test::TempDir dir;
        dir.Write("tall.png", GreyPng(10, c.height, 255));
        const ProgramRun run = RunLogo(dir.Path(), {"tall.png", "--width", "80"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(c.size), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
        EXPECT_TRUE(fs::exists(dir.Path() / "tall-logo.bmp"));
    }
}

struct BadArgs {
    const char* name;
    std::vector<std::string> args;
    const char* why;
};

void PrintTo(const BadArgs& c, std::ostream* os) {
    *os << c.name;
}

const BadArgs kBadArgs[] = {
    {"no_input", {}, "no INPUT"},
    {"width_zero", {"in.png", "--width", "0"}, "--width takes 1 to 1600"},
    {"width_1601", {"in.png", "--width", "1601"}, "--width takes 1 to 1600"},
    {"width_text", {"in.png", "--width", "5x"}, "--width takes"},
    {"paper_70", {"in.png", "--paper", "70"}, "--paper takes 80 or 58"},
    {"width_and_paper", {"in.png", "--width", "100", "--paper", "58"}, "exclude each other"},
    {"dither_unknown", {"in.png", "--dither", "jarvis"}, "--dither takes"},
    {"threshold_256", {"in.png", "--threshold", "256"}, "--threshold takes 0 to 255"},
    {"threshold_with_atkinson",
     {"in.png", "--dither", "atkinson", "--threshold", "90"},
     "--threshold is for --dither threshold, not --dither atkinson"},
    {"gamma_below", {"in.png", "--gamma", "0.1"}, "--gamma takes 0.2 to 5, not '0.1'"},
    {"gamma_above", {"in.png", "--gamma", "5.01"}, "--gamma takes 0.2 to 5"},
    {"gamma_text", {"in.png", "--gamma", "1,5"}, "--gamma takes 0.2 to 5"},
    {"gamma_nan", {"in.png", "--gamma", "nan"}, "--gamma takes 0.2 to 5"},
    {"gamma_with_threshold", {"in.png", "--threshold", "90", "--gamma", "2"}, "--gamma shapes"},
    {"value_missing", {"in.png", "-o"}, "-o needs a value"},
    {"unknown_option", {"in.png", "--colour"}, "unknown option '--colour'"},
    {"two_inputs", {"in.png", "b.png"}, "one INPUT only"},
    {"output_is_input", {"in.png", "-o", "./in.png", "--force"}, "is the input"},
    {"preview_is_output", {"in.png", "-o", "a.bmp", "--preview", "a.bmp"}, "same file"},
    {"preview_is_output_spelled_two_ways",
     {"in.png", "-o", "a.bmp", "--preview", "./a.bmp"},
     "same file"},
    {"output_is_folder", {"in.png", "-o", ".", "--force"}, "'.' is a folder"},
    {"output_ends_as_folder", {"in.png", "-o", "new/"}, "'new/' is a folder"},
    {"preview_is_folder", {"in.png", "--preview", ".."}, "'..' is a folder"},
    {"output_empty", {"in.png", "-o", ""}, "-o needs a file name"},
    {"preview_empty", {"in.png", "--preview", ""}, "--preview needs a file name"},
    {"after_double_dash", {"--", "in.png", "--force"}, "one INPUT only, but '--force'"},
    {"too_tall", {"in.png", "--width", "1600"}, "more than 65535"},
};

class BadArguments : public testing::TestWithParam<BadArgs> {};

TEST_P(BadArguments, ExitTwoWithTheUsageAndNoFile) {
    quillet::test::TempDir dir;
    dir.Write("in.png", GreyPng(2, 100, 0));
    const ProgramRun run = RunLogo(dir.Path(), GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(GetParam().why), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("usage: quillet-logo INPUT"), std::string::npos) << run.err;
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"in.png"});
    EXPECT_EQ(ReadText(dir.Path() / "in.png").size(), GreyPng(2, 100, 0).size());
}

INSTANTIATE_TEST_SUITE_P(Arguments, BadArguments, testing::ValuesIn(kBadArgs),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed run keeps every file it would have replaced, byte for byte, and leaves no other.
TEST(NoLostFiles, AFailedRunLeavesTheOldFiles) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* why;
    };
    const Case cases[] = {
        {"preview in a missing folder",
         {"in.png", "-o", "keep.bmp", "--force", "--preview", "missing-folder/p.png"},
         "cannot write 'missing-folder/p.png': it cannot be created (No such file or directory)"},
        {"output in a missing folder",
         {"in.png", "-o", "missing-folder/k.bmp", "--force", "--preview", "keep.png"},
         "cannot write 'missing-folder/k.bmp'"},
        {"undecodable input",
         {"bad.png", "-o", "keep.bmp", "--force", "--preview", "keep.png"},
         "cannot read 'bad.png'"},
    };
    for (const Case& c : cases) {
        quillet::test::TempDir dir;
        dir.Write("in.png", GreyPng(40, 20, 77));
        dir.Write("bad.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
        dir.Write("keep.bmp", Bytes{'o', 'l', 'd', ' ', 'b', 'm', 'p'});
        dir.Write("keep.png", Bytes{'o', 'l', 'd', ' ', 'p', 'n', 'g'});
        const std::vector<std::string> before = Files(dir.Path());
        const ProgramRun run = RunLogo(dir.Path(), c.args);
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.err.find(c.why), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(ReadText(dir.Path() / "keep.bmp"), "old bmp") << c.name;
        EXPECT_EQ(ReadText(dir.Path() / "keep.png"), "old png") << c.name;
        EXPECT_EQ(Files(dir.Path()), before) << c.name;
    }
}

TEST(NoLostFiles, ForceReplacesBothTogether) {
    quillet::test::TempDir dir;
    dir.Write("in.png", GreyPng(40, 20, 77));
    dir.Write("keep.bmp", Bytes{'o', 'l', 'd'});
    dir.Write("keep.png", Bytes{'o', 'l', 'd'});
    const ProgramRun run =
        RunLogo(dir.Path(), {"in.png", "-o", "keep.bmp", "--force", "--preview", "keep.png"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadText(dir.Path() / "keep.bmp").substr(0, 2), "BM");
    EXPECT_EQ(ReadText(dir.Path() / "keep.png").substr(1, 3), "PNG");
    EXPECT_EQ(Files(dir.Path()), (std::vector<std::string>{"in.png", "keep.bmp", "keep.png"}));
}

TEST(Command, DoubleDashEndsTheOptions) {
    quillet::test::TempDir dir;
    dir.Write("-dash.png", GreyPng(8, 4, 0));
    const ProgramRun run = RunLogo(dir.Path(), {"-o", "out.bmp", "--", "-dash.png"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("-dash.png 8x4 -> out.bmp 8x4", 0), 0u) << run.out;
}

// A JPEG whose quantisation table after the frame header runs past its segment: stb_image fails
// without a reason of its own, after a question about PNG left one ("bad png sig").
TEST(Command, AFailureWithoutAReasonSaysUnknown) {
    quillet::test::TempDir dir;
    const fs::path path = dir.Path() / "in.jpg";
    ASSERT_EQ(
        std::system(("convert -size 16x12 gradient:red-blue '" + path.string() + "'").c_str()), 0);
    std::string jpeg = ReadText(path);
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    const std::size_t after =
        frame + 2 + (std::uint8_t(jpeg[frame + 2]) << 8 | std::uint8_t(jpeg[frame + 3]));
    jpeg.insert(after, std::string("\xFF\xDB\x00\x03\x00", 5) + std::string(64, '\x01'));
    dir.Write("in.jpg", Bytes(jpeg.begin(), jpeg.end()));
    const ProgramRun run = RunLogo(dir.Path(), {"in.jpg"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("'in.jpg': the picture is damaged (unknown)"), std::string::npos)
        << run.err;
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_ASAN 1
#endif
#endif

// Allocations over 4 MB fail (the sanitizer's allocator is told so): decoding a 3000 x 3000 PNG
// runs out of memory, and the message says so.
TEST(Command, NotEnoughMemorySaysSo) {
#ifndef QUILLET_ASAN
    GTEST_SKIP() << "needs the sanitizer build's allocator limit";
#endif
    quillet::test::TempDir dir;
    dir.Write("big.png", GreyPng(3000, 3000, 128));
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string options = std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                ":max_allocation_size_mb=4:allocator_may_return_null=1";
    const ProgramRun run = RunLogo(dir.Path(), {"big.png"}, {options});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot read 'big.png': not enough memory"), std::string::npos)
        << run.err;
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"big.png"});
}

TEST(Command, HelpShowsTheUsage) {
    quillet::test::TempDir dir;
    const ProgramRun run = RunLogo(dir.Path(), {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("usage: quillet-logo INPUT [-o OUTPUT.bmp] [--width DOTS | --paper "
                            "80|58]\n",
                            0),
              0u)
        << run.out;
    EXPECT_NE(run.out.find("[--invert] [--preview FILE.png] [--force]"), std::string::npos);
}

} // namespace
} // namespace quillet::logo
