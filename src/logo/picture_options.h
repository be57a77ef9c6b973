#pragma once

#include "logo/logo_convert.h"

#include <span>
#include <string>

namespace quillet::logo {

// One option that shapes a conversion: the same for quillet-logo and for quillet-nv's store and
// raster, which convert pictures on the way.
struct PictureOption {
    const char* name;  // "--width"
    const char* value; // what it takes, for the usage; nullptr for a flag
    const char* help;  // one line for a --help
};

std::span<const PictureOption> PictureOptions();

// Whether `name` is one of them, and whether it takes a value.
bool IsPictureOption(const std::string& name);
bool PictureOptionTakesValue(const std::string& name);

// The picture options of one command line, taken one by one in any order (a later one replaces
// an earlier one of the same name), then checked together.
class PictureOptionParser {
public:
    // False with `why` for a value out of range, or a name that is not a picture option.
    bool Take(const std::string& name, const std::string& value, std::string& why);
    // The settings; false with `why` for options that do not go together.
    bool Finish(ConvertSettings& settings, std::string& why) const;

private:
    ConvertSettings settings_;
    bool width_ = false, paper_ = false, dither_ = false, threshold_ = false, gamma_ = false;
};

} // namespace quillet::logo
