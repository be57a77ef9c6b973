#include "printer/setting_commands.h"

#include <cstdio>

namespace quillet {

const SettingCommandEntry& SettingCommandOf(SettingCommand command) {
    return kSettingCommands[static_cast<std::size_t>(command)];
}

SettingPacket SettingPacketFor(SettingCommand command, std::int32_t feedTyped) {
    SettingPacket packet = SettingCommandOf(command).packet;
    if (command == SettingCommand::FeedSet) {
        packet.bytes[packet.size - 1] = FeedAmountByte(feedTyped);
    }
    return packet;
}

EncodeResult WriteSettingCommand(ByteSink& sink, SettingCommand command, std::int32_t feedTyped) {
    const SettingPacket packet = SettingPacketFor(command, feedTyped);
    return sink.Write(packet.bytes.data(), packet.size) ? EncodeResult::Ok
                                                        : EncodeResult::WriteFailed;
}

std::string FormatSettingStatus(SettingCommand command, int count, std::int32_t feedTyped) {
    char line[64];
    // Formats without a second %d ignore the extra argument.
    std::snprintf(line, sizeof line, SettingCommandOf(command).statusFormat, count,
                  int{FeedAmountByte(feedTyped)});
    return line;
}

} // namespace quillet
