#pragma once

#include "printer/byte_sink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

// The fifteen buttons of the printer settings group, in the order of kSettingCommands.
enum class SettingCommand : std::uint8_t {
    Bps9600,
    Bps19200,
    Bps115200,
    Columns42,
    Columns48,
    BuzzerUse,
    BuzzerNotUse,
    NearUse,
    NearNotUse,
    CutCommand,
    CutFull,
    CutPartial,
    JamUse,
    JamNotUse,
    FeedSet,
};

inline constexpr std::size_t kSettingCommandCount = 15;
inline constexpr std::size_t kMaxSettingPacketSize = 20;

struct SettingPacket {
    std::array<std::uint8_t, kMaxSettingPacketSize> bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> Bytes() const { return {bytes.data(), size}; }
};

// 02 00, code 1, eight zero bytes, n, code 2 (16-bit fields little-endian), the n data bytes and
// their XOR as a check byte.
constexpr SettingPacket FramedSettingPacket(std::uint16_t code1, std::uint16_t code2,
                                            std::initializer_list<std::uint8_t> data) {
    SettingPacket packet;
    std::size_t at = 0;
    auto put = [&](std::uint8_t b) { packet.bytes[at++] = b; };
    auto put16 = [&](std::uint16_t v) {
        put(static_cast<std::uint8_t>(v));
        put(static_cast<std::uint8_t>(v >> 8));
    };
    put16(0x0002);
    put16(code1);
    for (int i = 0; i < 8; ++i) {
        put(0);
    }
    put16(static_cast<std::uint16_t>(data.size()));
    put16(code2);
    std::uint8_t check = 0;
    for (const std::uint8_t b : data) {
        put(b);
        check ^= b;
    }
    put(check);
    packet.size = at;
    return packet;
}

// ESC c 3 n: which paper sensors signal paper end.
constexpr SettingPacket PaperSensorPacket(std::uint8_t n) {
    return SettingPacket{{0x1B, 0x63, 0x33, n}, 4};
}

// 1F 43 n: paper feed after cutting, n in mm.
constexpr SettingPacket FeedPacket(std::uint8_t n) {
    return SettingPacket{{0x1F, 0x43, n}, 3};
}

// The feed amount typed, reduced to the byte that is sent: its low 8 bits (-1 gives 255).
constexpr std::uint8_t FeedAmountByte(std::int32_t typed) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(typed) & 0xFFu);
}

struct SettingCommandEntry {
    SettingPacket packet;     // for FeedSet the last byte is filled in from the feed amount
    const char* statusFormat; // printf: the command count, and for FeedSet the feed byte
};

inline constexpr std::array<SettingCommandEntry, kSettingCommandCount> kSettingCommands = {{
    {FramedSettingPacket(0x81, 0x82, {0x00}), "(%d) BPS = 9600"},
    {FramedSettingPacket(0x81, 0x82, {0x01}), "(%d) BPS = 19200"},
    {FramedSettingPacket(0x81, 0x82, {0x04}), "(%d) BPS = 115200"},
    {FramedSettingPacket(0x92, 0x93, {0x0D, 0x01, 0xF8}), "(%d) Column = 42"},
    {FramedSettingPacket(0x92, 0x93, {0x0D, 0x00, 0x00}), "(%d) Column = 48"},
    {FramedSettingPacket(0x82, 0x82, {0xE5, 0x00}), "(%d) Buzzer = Use"},
    {FramedSettingPacket(0x82, 0x82, {0xE1, 0x00}), "(%d) Buzzer = Not use"},
    {PaperSensorPacket(1), "(%d) Near = Use"},
    {PaperSensorPacket(0), "(%d) Near = Not use"},
    {FramedSettingPacket(0x92, 0x92, {0x0C, 0x00}), "(%d) Cut = Command"},
    {FramedSettingPacket(0x92, 0x92, {0x0C, 0x02}), "(%d) Cut = Full"},
    {FramedSettingPacket(0x92, 0x92, {0x0C, 0x01}), "(%d) Cut = Partial"},
    {FramedSettingPacket(0x92, 0x92, {0x84, 0x01}), "(%d) Jam = Use"},
    {FramedSettingPacket(0x92, 0x92, {0x84, 0x00}), "(%d) Jam = Not uUse"},
    {FeedPacket(0), "(%d) Feeding :  = %d mm"},
}};

// Entries stand in the order of the enumeration; FeedSet, the one whose packet and line take the
// feed amount, comes last.
static_assert(std::string_view(kSettingCommands[kSettingCommandCount - 1].statusFormat) ==
                  "(%d) Feeding :  = %d mm" &&
              static_cast<std::size_t>(SettingCommand::FeedSet) == kSettingCommandCount - 1);

const SettingCommandEntry& SettingCommandOf(SettingCommand command);

// The bytes a command sends; `feedTyped` is used by FeedSet only.
SettingPacket SettingPacketFor(SettingCommand command, std::int32_t feedTyped = 0);

// The packet as one write.
EncodeResult WriteSettingCommand(ByteSink& sink, SettingCommand command,
                                 std::int32_t feedTyped = 0);

// The status line: the format filled with `count` and, for FeedSet, the feed byte (0 to 255).
std::string FormatSettingStatus(SettingCommand command, int count, std::int32_t feedTyped = 0);

} // namespace quillet
