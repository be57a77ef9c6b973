#include "logo/logo_options.h"

#include "logo/file_paths.h"

#include <charconv>
#include <optional>

namespace quillet::logo {
namespace {

std::optional<std::uint32_t> Number(const std::string& text, std::uint32_t low,
                                    std::uint32_t high) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace

ParseResult ParseLogoOptions(std::span<const std::string> args, LogoOptions& options,
                             std::string& why) {
    options = {};
    bool widthGiven = false;
    bool paperGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            return ParseResult::Help;
        }
        const bool takesValue = arg == "-o" || arg == "--width" || arg == "--paper" ||
                                arg == "--dither" || arg == "--threshold" || arg == "--preview";
        if (takesValue && i + 1 >= args.size()) {
            why = arg + " needs a value";
            return ParseResult::Bad;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if (arg == "-o") {
            options.output = value;
        } else if (arg == "--preview") {
            options.preview = value;
        } else if (arg == "--width") {
            const auto dots = Number(value, 1, kMaxWidthDots);
            if (!dots) {
                why = "--width takes 1 to " + std::to_string(kMaxWidthDots) + " dots, not '" +
                      value + "'";
                return ParseResult::Bad;
            }
            options.convert.width = *dots;
            widthGiven = true;
        } else if (arg == "--paper") {
            if (value != "80" && value != "58") {
                why = "--paper takes 80 or 58, not '" + value + "'";
                return ParseResult::Bad;
            }
            options.convert.maxWidth = value == "80" ? kPaper80Dots : kPaper58Dots;
            paperGiven = true;
        } else if (arg == "--dither") {
            const auto kind = DitherFromName(value);
            if (!kind) {
                why = "--dither takes floyd-steinberg, atkinson, ordered or threshold, not '" +
                      value + "'";
                return ParseResult::Bad;
            }
            options.convert.dither = *kind;
        } else if (arg == "--threshold") {
            const auto level = Number(value, 0, 255);
            if (!level) {
                why = "--threshold takes 0 to 255, not '" + value + "'";
                return ParseResult::Bad;
            }
            options.convert.threshold = static_cast<std::uint8_t>(*level);
        } else if (arg == "--invert") {
            options.convert.invert = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            why = "unknown option '" + arg + "'";
            return ParseResult::Bad;
        } else if (options.input.empty()) {
            options.input = arg;
        } else {
            why = "one INPUT only, but '" + arg + "' follows '" + options.input + "'";
            return ParseResult::Bad;
        }
    }
    if (widthGiven && paperGiven) {
        why = "--width and --paper exclude each other";
        return ParseResult::Bad;
    }
    if (options.input.empty()) {
        why = "no INPUT picture";
        return ParseResult::Bad;
    }
    if (options.output.empty()) {
        options.output = DefaultOutputPath(options.input);
    }
    return ParseResult::Run;
}

std::string LogoUsage(const std::string& program) {
    const std::string pad(program.size() + 7, ' ');
    return "usage: " + program + " INPUT [-o OUTPUT.bmp] [--width DOTS | --paper 80|58]\n" + pad +
           "[--dither floyd-steinberg|atkinson|ordered|threshold] [--threshold 0-255]\n" + pad +
           "[--invert] [--preview FILE.png] [--force]\n";
}

std::string DefaultOutputPath(const std::string& input) {
    return PathToUtf8(WithSuffix(PathFromUtf8(input), "-logo.bmp"));
}

} // namespace quillet::logo
