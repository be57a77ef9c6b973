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
// A GS r answer, or GS I 2 (type ID): bits 4 and 7 clear, which no DLE EOT answer is.
constexpr bool IsGsAnswerByte(std::uint8_t b) {
    return (b & 0x90) == 0x00;
}
// The first byte of an automatic status block: bits 0, 1 and 7 clear, bit 4 set. The block is
// four bytes, the other three of the GS r form, so it is dropped whole.
constexpr bool IsAutomaticStatusStart(std::uint8_t b) {
    return (b & 0x93) == 0x10;
}
inline constexpr std::size_t kAutomaticStatusSize = 4;

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

// What an inbox holds for a question: its whole answer, not yet enough, or a byte that shows the
// line is not answering this question (only the strict matchers say so).
struct Match {
    enum class Kind { More, Answer, Spoiled };
    Kind kind = Kind::More;
    std::vector<std::uint8_t> bytes;
};

// Inbox matchers: each takes the bytes received since the question, drops what cannot start its
// answer, and returns the answer once it is whole (removing it from the inbox). Automatic status
// blocks are dropped whole; a block still arriving is kept until it is.

// The first byte of `form`, skipping other bytes.
Match TakeByteAnswer(std::vector<std::uint8_t>& inbox, bool (*form)(std::uint8_t));
// DLE EOT: the first byte after the question, automatic status blocks aside; any other spoils.
Match TakeStatusAnswer(std::vector<std::uint8_t>& inbox);
// GS r on a line that must be quiet: DLE EOT answers (which image data can trigger) and automatic
// status blocks are skipped; any other byte before the answer spoils it.
Match TakeStrictSensorAnswer(std::vector<std::uint8_t>& inbox);
// Nothing is expected: any byte but a DLE EOT answer or an automatic status block spoils.
Match ExpectQuiet(std::vector<std::uint8_t>& inbox);
// `lead` text bytes NUL: GS I 65..69 answers (lead 5F), NV graphics answers (lead 37).
Match TakeTextAnswer(std::vector<std::uint8_t>& inbox, std::uint8_t lead, std::size_t maxSize);

} // namespace quillet::nv
