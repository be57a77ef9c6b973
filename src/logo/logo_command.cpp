#include "logo/logo_command.h"

#include "image/bmp_check.h"
#include "image/mono_bmp_writer.h"
#include "logo/disk_ops.h"
#include "logo/file_paths.h"
#include "logo/logo_options.h"
#include "logo/output_files.h"
#include "logo/preview_png.h"
#include "quillet_version.h"

#include <filesystem>
#include <new>
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
    "  --help             this text\n"
    "  --version          the program's name and version\n"
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
    quoted += Shown(name);
    quoted += '\'';
    return quoted;
}

int BadArguments(const std::string& program, const std::string& why, std::ostream& err) {
    err << program << ": " << why << "\n" << LogoUsage(program);
    return 2;
}

// An output may not be a folder, a device, a FIFO or a socket, nor the input, nor an existing
// file unless --force.
bool CheckOutputPlace(const std::string& name, const LogoOptions& options, std::string& why) {
    const fs::path path = PathFromUtf8(name);
    std::error_code error;
    const fs::file_status followed = fs::status(path, error);
    if (fs::is_directory(followed) ||
        (!name.empty() && (name.back() == '/' || name.back() == '\\'))) {
        why = Quoted(name) + " is a folder; name the file to write in it";
        return false;
    }
    if (SamePlace(path, PathFromUtf8(options.input))) {
        why = Quoted(name) + " is the input; it is never overwritten";
        return false;
    }
    // Windows' device names (NUL, COM1) show only to the system's own look.
    PlaceKind kind = PlaceKind::Missing;
    const bool device = KindOf(path, kind).ok && kind == PlaceKind::Other;
    if ((fs::exists(followed) && !fs::is_regular_file(followed)) || device) {
        why = Quoted(name) + " is not a regular file (a device, a FIFO or a socket); it is never "
                             "replaced";
        return false;
    }
    if (!options.force && fs::exists(fs::symlink_status(path, error))) {
        why = Quoted(name) + " exists; --force replaces it";
        return false;
    }
    return true;
}

// Which outputs held a file when the run began: with --force, only those are replaced.
struct Replacing {
    bool output = false;
    bool preview = false;
};

bool ThereNow(const std::string& name) {
    std::error_code error;
    return !name.empty() && fs::exists(fs::symlink_status(PathFromUtf8(name), error));
}

// Reads, converts and writes; options already checked.
int Convert(const std::string& program, const LogoOptions& options, const Replacing& replace,
            std::ostream& out, std::ostream& err) {
    std::string why;
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(PathFromUtf8(options.input), kMaxFileBytes, file, why)) {
        err << program << ": cannot read " << Quoted(options.input) << ": " << why << "\n";
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
        err << program << ": cannot read " << Quoted(options.input) << ": " << why << "\n";
        return 1;
    }
    file = {};

    // Both encoded before either is written, and put in place together: a run that fails leaves
    // every file as it was.
    const std::vector<std::uint8_t> bmp = MonoBmpFile(dots);
    std::vector<std::uint8_t> png;
    if (!options.preview.empty()) {
        png = PreviewPng(dots);
        if (png.empty()) {
            err << program << ": cannot encode the preview " << Quoted(options.preview) << "\n";
            return 1;
        }
    }
    std::vector<OutputFile> files{{PathFromUtf8(options.output), bmp, replace.output}};
    std::vector<std::string> names{options.output};
    if (!options.preview.empty()) {
        files.push_back({PathFromUtf8(options.preview), png, replace.preview});
        names.push_back(options.preview);
    }
    std::size_t failed = 0;
    if (!WriteFilesTogether(files, failed, why)) {
        err << program << ": cannot write " << Quoted(names[failed]) << ": " << why << "\n";
        return 1;
    }

    const Size made{dots.width, dots.height};
    out << Shown(options.input) << " " << source.width << "x" << source.height << " -> "
        << Shown(options.output) << " " << made.width << "x" << made.height << ", "
        << DitherName(options.convert.dither) << (options.convert.invert ? ", inverted" : "")
        << ", NV block " << Grouped(NvBlockBytes(made)) << " bytes\n";
    if (made.height > kNvMaxHeightDots) {
        err << program << ": warning: " << made.height << " dots tall; Quillet stores at most "
            << kNvMaxHeightDots << " in NV memory (the download's columns hold "
            << kNvMaxHeightDots / 8 << " bytes) and refuses this one for Quilets Save with "
            << "\"" << BmpCheckMessage(BmpCheck::BadGeometry) << "\"; it prints as a raster "
            << "picture\n";
    } else if (made.height > kNvTallWarningDots) {
        err << program << ": warning: " << made.height << " dots tall; many printers refuse an "
            << "NV image taller than " << kNvTallWarningDots << " dots\n";
    }
    return 0;
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
    case ParseResult::Version:
        out << program << " " << QUILLET_VERSION_TEXT << "\n";
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
    try {
        const Replacing replace{options.force && ThereNow(options.output),
                                options.force && ThereNow(options.preview)};
        return Convert(program, options, replace, out, err);
    } catch (const std::bad_alloc&) {
        err << program << ": cannot convert " << Quoted(options.input) << ": not enough memory\n";
        return 1;
    }
}

} // namespace quillet::logo
