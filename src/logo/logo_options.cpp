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

std::optional<double> Gamma(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || at != end || !(value >= kMinGamma) ||
        !(value <= kMaxGamma)) {
        return std::nullopt;
    }
    return value;
}

std::string GammaText(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

} // namespace

ParseResult ParseLogoOptions(std::span<const std::string> args, LogoOptions& options,
                             std::string& why) {
    options = {};
    bool widthGiven = false;
    bool paperGiven = false;
    bool ditherGiven = false;
    bool thresholdGiven = false;
    bool gammaGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (option && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (option && (arg == "-h" || arg == "--help")) {
            return ParseResult::Help;
        }
        if (option && arg == "--version") {
            return ParseResult::Version;
        }
        const bool takesValue =
            option && (arg == "-o" || arg == "--width" || arg == "--paper" || arg == "--dither" ||
                       arg == "--threshold" || arg == "--gamma" || arg == "--preview");
        if (takesValue && i + 1 >= args.size()) {
            why = arg + " needs a value";
            return ParseResult::Bad;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if ((arg == "-o" || arg == "--preview") && takesValue && value.empty()) {
            why = arg + " needs a file name, not an empty one";
            return ParseResult::Bad;
        }
        if (!option) {
            if (options.input.empty()) {
                options.input = arg;
            } else {
                why = "one INPUT only, but '" + arg + "' follows '" + options.input + "'";
                return ParseResult::Bad;
            }
        } else if (arg == "-o") {
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
            ditherGiven = true;
        } else if (arg == "--threshold") {
            const auto level = Number(value, 0, 255);
            if (!level) {
                why = "--threshold takes 0 to 255, not '" + value + "'";
                return ParseResult::Bad;
            }
            options.convert.threshold = static_cast<std::uint8_t>(*level);
            thresholdGiven = true;
        } else if (arg == "--gamma") {
            const auto gamma = Gamma(value);
            if (!gamma) {
                why = "--gamma takes " + GammaText(kMinGamma) + " to " + GammaText(kMaxGamma) +
                      ", not '" + value + "'";
                return ParseResult::Bad;
            }
            options.convert.gamma = *gamma;
            gammaGiven = true;
        } else if (arg == "--invert") {
            options.convert.invert = true;
        } else if (arg == "--force") {
            options.force = true;
        } else {
            why = "unknown option '" + arg + "'";
            return ParseResult::Bad;
        }
    }
    // --threshold alone asks for the threshold dither; beside another dither it means nothing.
    if (thresholdGiven && !ditherGiven) {
        options.convert.dither = DitherKind::Threshold;
    }
    const bool threshold = options.convert.dither == DitherKind::Threshold;
    if (thresholdGiven && !threshold) {
        why = "--threshold is for --dither threshold, not --dither " +
              std::string(DitherName(options.convert.dither));
        return ParseResult::Bad;
    }
    if (gammaGiven && threshold) {
        why = "--gamma shapes the tone of the other dithers; --dither threshold cuts at "
              "--threshold";
        return ParseResult::Bad;
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
           "[--gamma 0.2-5] [--invert] [--preview FILE.png] [--force] [--]\n" + "       " +
           program + " --help | --version\n";
}

std::string DefaultOutputPath(const std::string& input) {
    return PathToUtf8(WithSuffix(PathFromUtf8(input), "-logo.bmp"));
}

} // namespace quillet::logo
