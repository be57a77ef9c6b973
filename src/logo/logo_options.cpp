#include "logo/logo_options.h"

#include "logo/file_paths.h"
#include "logo/picture_options.h"

namespace quillet::logo {

ParseResult ParseLogoOptions(std::span<const std::string> args, LogoOptions& options,
                             std::string& why) {
    options = {};
    PictureOptionParser picture;
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
            option && (arg == "-o" || arg == "--preview" || PictureOptionTakesValue(arg));
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
                why = "one INPUT only, but '" + Shown(arg) + "' follows '" + Shown(options.input) +
                      "'";
                return ParseResult::Bad;
            }
        } else if (arg == "-o") {
            options.output = value;
        } else if (arg == "--preview") {
            options.preview = value;
        } else if (IsPictureOption(arg)) {
            if (!picture.Take(arg, value, why)) {
                return ParseResult::Bad;
            }
        } else if (arg == "--force") {
            options.force = true;
        } else {
            why = "unknown option '" + Shown(arg) + "'";
            return ParseResult::Bad;
        }
    }
    if (!picture.Finish(options.convert, why)) {
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
