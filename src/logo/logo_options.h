#pragma once

#include "logo/logo_convert.h"

#include <span>
#include <string>

namespace quillet::logo {

struct LogoOptions {
    std::string input;
    std::string output;  // empty: beside the input, "-logo.bmp"
    std::string preview; // empty: none
    ConvertSettings convert;
    bool force = false;
};

enum class ParseResult { Run, Help, Version, Bad };

// The arguments after the program name. On Bad, `why` names the offending argument.
ParseResult ParseLogoOptions(std::span<const std::string> args, LogoOptions& options,
                             std::string& why);

// The usage lines, for --help and for bad arguments.
std::string LogoUsage(const std::string& program);

// INPUT's folder and name with "-logo.bmp": logo.png gives logo-logo.bmp.
std::string DefaultOutputPath(const std::string& input);

} // namespace quillet::logo
