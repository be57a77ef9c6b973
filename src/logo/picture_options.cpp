#include "logo/picture_options.h"

#include "logo/dither.h"
#include "logo/file_paths.h"
#include "logo/tone.h"

#include <array>
#include <charconv>
#include <optional>

namespace quillet::logo {
namespace {

constexpr std::array<PictureOption, 6> kOptions{{
    {"--width", "DOTS", "convert pictures to exactly this many dots across, 1 to 1600"},
    {"--paper", "80|58", "convert pictures for 80 mm (576 dots, default) or 58 mm (384) paper"},
    {"--dither", "NAME", "floyd-steinberg (default), atkinson, ordered or threshold"},
    {"--threshold", "0-255",
     "a dot where the grey is below it (128); alone it selects --dither threshold"},
    {"--gamma", "G",
     "mid-tones for the printer and paper, 0.2 to 5 (default 1); above 1 lighter, below 1 "
     "darker"},
    {"--invert", nullptr, "swap black and white"},
}};

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

const PictureOption* Find(const std::string& name) {
    for (const PictureOption& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

} // namespace

std::span<const PictureOption> PictureOptions() {
    return kOptions;
}

bool IsPictureOption(const std::string& name) {
    return Find(name) != nullptr;
}

bool PictureOptionTakesValue(const std::string& name) {
    const PictureOption* option = Find(name);
    return option != nullptr && option->value != nullptr;
}

bool PictureOptionParser::Take(const std::string& name, const std::string& value,
                               std::string& why) {
    const std::string shown = Shown(value);
    if (name == "--width") {
        const auto dots = Number(value, 1, kMaxWidthDots);
        if (!dots) {
            why = "--width takes 1 to " + std::to_string(kMaxWidthDots) + " dots, not '" + shown +
                  "'";
            return false;
        }
        settings_.width = *dots;
        width_ = true;
    } else if (name == "--paper") {
        if (value != "80" && value != "58") {
            why = "--paper takes 80 or 58, not '" + shown + "'";
            return false;
        }
        settings_.maxWidth = value == "80" ? kPaper80Dots : kPaper58Dots;
        paper_ = true;
    } else if (name == "--dither") {
        const auto kind = DitherFromName(value);
        if (!kind) {
            why = "--dither takes floyd-steinberg, atkinson, ordered or threshold, not '" + shown +
                  "'";
            return false;
        }
        settings_.dither = *kind;
        dither_ = true;
    } else if (name == "--threshold") {
        const auto level = Number(value, 0, 255);
        if (!level) {
            why = "--threshold takes 0 to 255, not '" + shown + "'";
            return false;
        }
        settings_.threshold = static_cast<std::uint8_t>(*level);
        threshold_ = true;
    } else if (name == "--gamma") {
        const auto gamma = Gamma(value);
        if (!gamma) {
            why = "--gamma takes " + GammaText(kMinGamma) + " to " + GammaText(kMaxGamma) +
                  ", not '" + shown + "'";
            return false;
        }
        settings_.gamma = *gamma;
        gamma_ = true;
    } else if (name == "--invert") {
        settings_.invert = true;
    } else {
        why = "'" + Shown(name) + "' is not a picture option";
        return false;
    }
    return true;
}

bool PictureOptionParser::Finish(ConvertSettings& settings, std::string& why) const {
    settings = settings_;
    // --threshold alone asks for the threshold dither; beside another dither it means nothing.
    if (threshold_ && !dither_) {
        settings.dither = DitherKind::Threshold;
    }
    const bool threshold = settings.dither == DitherKind::Threshold;
    if (threshold_ && !threshold) {
        why = "--threshold is for --dither threshold, not --dither " +
              std::string(DitherName(settings.dither));
        return false;
    }
    if (gamma_ && threshold) {
        why = "--gamma shapes the tone of the other dithers; --dither threshold cuts at "
              "--threshold";
        return false;
    }
    if (width_ && paper_) {
        why = "--width and --paper exclude each other";
        return false;
    }
    return true;
}

} // namespace quillet::logo
