#include "logo/logo_command.h"

#include "logo/file_paths.h"
#include "logo/logo_options.h"
#include "logo/mono_bmp_writer.h"
#include "logo/preview_png.h"

#include <filesystem>
#include <vector>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

// Far above any logo's file, and far below what decoding could not afford.
constexpr std::uint64_t kMaxFileBytes = 256ull << 20;

constexpr const char* kOptionHelp =
    "\n"
    "Turns a PNG, JPEG, GIF, BMP, TGA or PNM picture into the 1-bit BMP that Quillet stores\n"
    "and prints.\n"
    "\n"
    "  -o OUTPUT.bmp      where to write (default: beside INPUT, NAME-logo.bmp)\n"
    "  --width DOTS       exactly this wide, 1 to 1600 dots (enlarges if asked)\n"
    "  --paper 80|58      at most 576 (80 mm) or 384 (58 mm) dots wide; default 80\n"
    "  --dither NAME      floyd-steinberg (default), atkinson, ordered or threshold\n"
    "  --threshold 0-255  for --dither threshold: a dot where the grey is below it (128);\n"
    "                     alone it selects --dither threshold\n"
    "  --gamma G          mid-tones for the printer and paper, 0.2 to 5 (default 1: a grey\n"
    "                     of sRGB value v prints 1 - v/255 of its dots, as image editors\n"
    "                     dither); above 1 lighter, for dots that spread, below 1 darker\n"
    "  --invert           swap black and white\n"
    "  --preview FILE.png also write what the printer will print, one pixel per dot\n"
    "  --force            replace an existing OUTPUT (INPUT is never replaced)\n"
    "  --                 ends the options: a name after it may start with -\n"
    "\n"
    "Exit status: 0 done, 1 INPUT unreadable or OUTPUT unwritable, 2 bad arguments.\n";

std::string Grouped(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string Quoted(const std::string& name) {
    std::string quoted(1, '\'');
    quoted += name;
    quoted += '\'';
    return quoted;
}

int BadArguments(const std::string& program, const std::string& why, std::ostream& err) {
    err << program << ": " << why << "\n" << LogoUsage(program);
    return 2;
}

// An output may not be the input, nor an existing file unless --force.
bool CheckOutputPlace(const std::string& name, const LogoOptions& options, std::string& why) {
    const fs::path path = PathFromUtf8(name);
    if (SamePlace(path, PathFromUtf8(options.input))) {
        why = Quoted(name) + " is the input; it is never overwritten";
        return false;
    }
    std::error_code error;
    if (!options.force && fs::exists(path, error)) {
        why = Quoted(name) + " exists; --force replaces it";
        return false;
    }
    return true;
}

} // namespace

int RunLogoCommand(const std::string& program, std::span<const std::string> args, std::ostream& out,
                   std::ostream& err) {
    LogoOptions options;
    std::string why;
    switch (ParseLogoOptions(args, options, why)) {
    case ParseResult::Help:
        out << LogoUsage(program) << kOptionHelp;
        return 0;
    case ParseResult::Bad:
        return BadArguments(program, why, err);
    case ParseResult::Run:
        break;
    }
    if (!CheckOutputPlace(options.output, options, why) ||
        (!options.preview.empty() && !CheckOutputPlace(options.preview, options, why))) {
        return BadArguments(program, why, err);
    }
    if (!options.preview.empty() &&
        SamePlace(PathFromUtf8(options.preview), PathFromUtf8(options.output))) {
        return BadArguments(program, "the preview and the output are the same file", err);
    }

    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(PathFromUtf8(options.input), kMaxFileBytes, file, why)) {
        err << program << ": cannot read '" << options.input << "': " << why << "\n";
        return 1;
    }
    Size source;
    DotImage dots;
    const ConvertResult result =
        ConvertPicture(file, options.convert, DecodeLimits{}, source, dots, why);
    if (result == ConvertResult::TooTall) {
        return BadArguments(program, Quoted(options.input) + ": " + why, err);
    }
    if (result != ConvertResult::Ok) {
        err << program << ": cannot read '" << options.input << "': " << why << "\n";
        return 1;
    }
    file = {};

    // Both encoded before either is written: a failure leaves no file behind.
    const std::vector<std::uint8_t> bmp = MonoBmpFile(dots);
    std::vector<std::uint8_t> png;
    if (!options.preview.empty()) {
        png = PreviewPng(dots);
        if (png.empty()) {
            err << program << ": cannot encode the preview '" << options.preview << "'\n";
            return 1;
        }
    }
    if (!WriteFileWhole(PathFromUtf8(options.output), bmp, why)) {
        err << program << ": cannot write '" << options.output << "': " << why << "\n";
        return 1;
    }
    if (!options.preview.empty() && !WriteFileWhole(PathFromUtf8(options.preview), png, why)) {
        // A run that fails leaves no result of its own behind.
        std::error_code ignored;
        fs::remove(PathFromUtf8(options.output), ignored);
        err << program << ": cannot write '" << options.preview << "': " << why << "\n";
        return 1;
    }

    const Size made{dots.width, dots.height};
    out << options.input << " " << source.width << "x" << source.height << " -> " << options.output
        << " " << made.width << "x" << made.height << ", " << DitherName(options.convert.dither)
        << (options.convert.invert ? ", inverted" : "") << ", NV block "
        << Grouped(NvBlockBytes(made)) << " bytes\n";
    if (made.height > kNvTallWarningDots) {
        err << program << ": warning: " << made.height << " dots tall; many printers refuse an "
            << "NV image taller than " << kNvTallWarningDots << " dots\n";
    }
    return 0;
}

} // namespace quillet::logo
