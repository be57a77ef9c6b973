// The bytes of a job, built and checked whole before the port is opened: a refused file sends
// nothing.
#pragma once

#include "logo/logo_convert.h"
#include "printer/setting_commands.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::nv {

struct Payload {
    std::vector<std::uint8_t> bytes;
    unsigned items = 0;             // images stored or printed, pictures printed, packets sent
    std::uint64_t graphicsNeed = 0; // NV graphics memory the definitions take
    std::vector<std::size_t> definitionEnds; // NV graphics: where each key's definition ends
};

// What an NV graphic takes beyond its data: the figure Star's command reference gives for its
// printers' management data ("The used capacity includes the management data (14 bytes)", ESC
// GS ) L function 49). Planning with it keeps a set that fits here from failing there.
inline constexpr std::uint64_t kGraphicsOverheadBytes = 14;

// FS q takes at most 255 images in one stream.
inline constexpr std::size_t kMaxStoreFiles = 255;

// One FS q stream of all files, in order, as the dialog's encoder writes it.
bool BuildStorePayload(const std::vector<std::string>& files, const logo::ConvertSettings& convert,
                       Payload& payload, std::string& why);

// GS v 0 and the print trailer for each file.
bool BuildRasterPayload(const std::vector<std::string>& files, const logo::ConvertSettings& convert,
                        Payload& payload, std::string& why);

// FS p n 30 for each number (1 to 255), then one print trailer.
Payload BuildPrintPayload(const std::vector<std::uint8_t>& numbers);

// One GS ( L function 67 definition per file, keyed in order.
bool BuildGraphicsStorePayload(const std::vector<std::string>& files,
                               const std::vector<std::string>& keys,
                               const logo::ConvertSettings& convert, Payload& payload,
                               std::string& why);

// Function 69 for each key at `scale`, then one print trailer.
Payload BuildGraphicsPrintPayload(const std::vector<std::string>& keys, std::uint8_t scale);

// Function 66 for each key, or function 65 when `keys` is empty.
Payload BuildGraphicsDeletePayload(const std::vector<std::string>& keys);

// One of the dialog's configuration packets.
Payload BuildSettingPayload(SettingCommand command, std::int32_t feedMm);

} // namespace quillet::nv
