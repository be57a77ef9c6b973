// What a printer's answers mean, and how to tell an answer from a stray byte by its form.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::nv {

// DLE EOT n (real-time status): 10 04 n.
inline std::array<std::uint8_t, 3> StatusQuestion(std::uint8_t n) {
    return {0x10, 0x04, n};
}
// GS r 1: the paper sensors, answered only once everything before it has been taken.
inline constexpr std::array<std::uint8_t, 3> kPaperSensorQuestion = {0x1D, 0x72, 0x01};
// GS I n: printer ID.
inline std::array<std::uint8_t, 3> IdQuestion(std::uint8_t n) {
    return {0x1D, 0x49, n};
}

// A DLE EOT answer: bits 1 and 4 set, bits 0 and 7 clear.
constexpr bool IsStatusAnswer(std::uint8_t b) {
    return (b & 0x93) == 0x12;
}
// A GS r answer: bits 4 and 7 clear, which no DLE EOT answer is.
constexpr bool IsPaperSensorAnswer(std::uint8_t b) {
    return (b & 0x90) == 0x00;
}
// GS I 2 (type ID): bits 4 and 7 are always clear.
constexpr bool IsTypeIdAnswer(std::uint8_t b) {
    return (b & 0x90) == 0x00;
}

struct PrinterState {
    bool offline = false;
    bool coverOpen = false;
    bool paperEndStop = false; // printing stopped at paper end
    bool errorOccurred = false;
    bool cutterError = false;
    bool unrecoverableError = false;
    bool autoRecoverableError = false;
    bool paperNearEnd = false;
    bool paperEnd = false;
};

// Folds the answer to DLE EOT n (1 to 4) into `state`.
void ApplyStatusAnswer(std::uint8_t n, std::uint8_t answer, PrinterState& state);

// One line per state, as `status` prints them.
std::vector<std::string> StateLines(const PrinterState& state);

// What keeps the printer from taking a job, most telling first; empty when it is ready. A paper
// near its end is not one of them.
std::vector<std::string> NotReadyReasons(const PrinterState& state);

// Inbox matchers: each takes the bytes received since the question, drops what cannot start its
// answer, and returns the answer once it is whole (removing it from the inbox).
std::optional<std::vector<std::uint8_t>> TakeByteAnswer(std::vector<std::uint8_t>& inbox,
                                                        bool (*form)(std::uint8_t));
// `lead` text bytes NUL: GS I 65..69 answers (lead 5F), NV graphics answers (lead 37).
std::optional<std::vector<std::uint8_t>> TakeTextAnswer(std::vector<std::uint8_t>& inbox,
                                                        std::uint8_t lead, std::size_t maxSize);

} // namespace quillet::nv
