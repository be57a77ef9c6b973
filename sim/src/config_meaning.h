// The meaning of the Dovrik-7 setting packets, as far as the printer model documents them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct SettingMeaning {
    std::string setting; // "BPS", "Column", "Buzzer", "Cut", "Jam"
    std::string value;   // "9600", "42", "Use", "Full", ...
};

std::optional<SettingMeaning> config_meaning(int code1, int code2,
                                             const std::vector<std::uint8_t>& data);

} // namespace sim
