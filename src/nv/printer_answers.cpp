#include "nv/printer_answers.h"

#include <algorithm>

namespace quillet::nv {

void ApplyStatusAnswer(std::uint8_t n, std::uint8_t answer, PrinterState& state) {
    auto bit = [answer](std::uint8_t mask) { return (answer & mask) != 0; };
    switch (n) {
    case 1:
        state.offline = bit(0x08);
        break;
    case 2:
        state.coverOpen = bit(0x04);
        state.paperEndStop = bit(0x20);
        state.errorOccurred = bit(0x40);
        break;
    case 3:
        state.cutterError = bit(0x08);
        state.unrecoverableError = bit(0x20);
        state.autoRecoverableError = bit(0x40);
        break;
    case 4:
        state.paperNearEnd = bit(0x0C);
        state.paperEnd = bit(0x60);
        break;
    default:
        break;
    }
}

std::vector<std::string> StateLines(const PrinterState& s) {
    auto yesNo = [](bool b) { return b ? std::string("yes") : std::string("no"); };
    return {
        std::string("printer: ") + (s.offline ? "off-line" : "on-line"),
        std::string("cover: ") + (s.coverOpen ? "open" : "closed"),
        "paper near end: " + yesNo(s.paperNearEnd),
        "paper end: " + yesNo(s.paperEnd || s.paperEndStop),
        "cutter error: " + yesNo(s.cutterError),
        "unrecoverable error: " + yesNo(s.unrecoverableError),
        "auto-recoverable error: " + yesNo(s.autoRecoverableError),
    };
}

std::vector<std::string> NotReadyReasons(const PrinterState& s) {
    std::vector<std::string> reasons;
    if (s.unrecoverableError)
        reasons.emplace_back("unrecoverable error");
    if (s.cutterError)
        reasons.emplace_back("cutter error");
    if (s.autoRecoverableError)
        reasons.emplace_back("auto-recoverable error");
    if (s.coverOpen)
        reasons.emplace_back("cover open");
    if (s.paperEnd || s.paperEndStop)
        reasons.emplace_back("paper end");
    if (s.errorOccurred && !s.unrecoverableError && !s.cutterError && !s.autoRecoverableError)
        reasons.emplace_back("error");
    if (s.offline && reasons.empty())
        reasons.emplace_back("off-line");
    return reasons;
}

namespace {

// What a one-byte matcher makes of the byte at the front of the inbox.
enum class Verdict { Take, Skip, Spoil };

// Drops whole automatic status blocks (waiting while one is still arriving) and asks `judge`
// about every other byte in turn.
template <class Judge> Match ScanOneByteAnswer(std::vector<std::uint8_t>& inbox, Judge judge) {
    while (!inbox.empty()) {
        const std::uint8_t b = inbox.front();
        if (IsAutomaticStatusStart(b)) {
            if (inbox.size() < kAutomaticStatusSize)
                return {};
            inbox.erase(inbox.begin(), inbox.begin() + kAutomaticStatusSize);
            continue;
        }
        switch (judge(b)) {
        case Verdict::Take:
            inbox.erase(inbox.begin());
            return {Match::Kind::Answer, {b}};
        case Verdict::Spoil:
            return {Match::Kind::Spoiled, {b}};
        case Verdict::Skip:
            inbox.erase(inbox.begin());
            break;
        }
    }
    return {};
}

} // namespace

Match TakeByteAnswer(std::vector<std::uint8_t>& inbox, bool (*form)(std::uint8_t)) {
    return ScanOneByteAnswer(
        inbox, [form](std::uint8_t b) { return form(b) ? Verdict::Take : Verdict::Skip; });
}

Match TakeStatusAnswer(std::vector<std::uint8_t>& inbox) {
    return ScanOneByteAnswer(
        inbox, [](std::uint8_t b) { return IsStatusAnswer(b) ? Verdict::Take : Verdict::Spoil; });
}

Match TakeStrictSensorAnswer(std::vector<std::uint8_t>& inbox) {
    return ScanOneByteAnswer(inbox, [](std::uint8_t b) {
        if (IsStatusAnswer(b))
            return Verdict::Skip;
        return IsGsAnswerByte(b) ? Verdict::Take : Verdict::Spoil;
    });
}

Match ExpectQuiet(std::vector<std::uint8_t>& inbox) {
    return ScanOneByteAnswer(
        inbox, [](std::uint8_t b) { return IsStatusAnswer(b) ? Verdict::Skip : Verdict::Spoil; });
}

Match TakeTextAnswer(std::vector<std::uint8_t>& inbox, std::uint8_t lead, std::size_t maxSize) {
    for (;;) {
        const auto start = std::find(inbox.begin(), inbox.end(), lead);
        inbox.erase(inbox.begin(), start);
        if (inbox.empty())
            return {};
        const auto end = std::find(inbox.begin(), inbox.end(), std::uint8_t{0});
        if (end == inbox.end()) {
            if (inbox.size() <= maxSize)
                return {};              // still arriving
            inbox.erase(inbox.begin()); // too long for an answer: that lead was data
            continue;
        }
        if (static_cast<std::size_t>(end - inbox.begin()) > maxSize) {
            inbox.erase(inbox.begin());
            continue;
        }
        Match match{Match::Kind::Answer, std::vector<std::uint8_t>(inbox.begin() + 1, end)};
        inbox.erase(inbox.begin(), end + 1);
        return match;
    }
}

} // namespace quillet::nv
