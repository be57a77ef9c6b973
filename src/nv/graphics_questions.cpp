#include "nv/graphics_questions.h"

#include "nv/printer_answers.h"
#include "nv/progress_line.h"
#include "printer/nv_graphics_encoder.h"

#include <algorithm>
#include <array>

namespace quillet::nv {
namespace {

constexpr std::chrono::milliseconds kAnswerTimeout{1000};
// A block of keys is far shorter; anything longer was never an answer.
constexpr std::size_t kLongestGraphicsAnswer = 1024;
constexpr std::array<std::uint8_t, 1> kNextBlock = {0x06}; // ACK
constexpr std::array<std::uint8_t, 1> kStopList = {0x18};  // CAN
// Two printable characters a key: no printer holds more, so a longer list never ends.
constexpr std::size_t kMostKeys = 95 * 95;
// The whole list, however many blocks it comes in.
constexpr std::chrono::seconds kKeyListTimeout{30};

AnswerMatcher GraphicsAnswerForm() {
    return [](std::vector<std::uint8_t>& inbox) {
        return TakeTextAnswer(inbox, 0x37, kLongestGraphicsAnswer);
    };
}

} // namespace

std::string KeyList(const std::vector<std::string>& keys) {
    std::string text;
    for (std::size_t i = 0; i < keys.size(); ++i)
        text += (i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
    return text.empty() ? "none" : text;
}

asio::awaitable<KeyListReading> ReadGraphicsKeys(PrinterSession& session) {
    KeyListReading reading;
    const auto whole = After(kKeyListTimeout);
    auto deadline = [&] { return std::min(whole, After(kAnswerTimeout)); };
    Heard answer = co_await session.Ask(kGraphicsKeyListQuestion, GraphicsAnswerForm(), deadline());
    std::vector<std::string> keys;
    for (;;) {
        GraphicsKeyBlock block;
        if (!answer || ParseGraphicsKeyBlock(answer.bytes, block) != GraphicsAnswer::Ok) {
            if (Clock::now() >= whole)
                reading.why = "the printer's key list did not end within " +
                              std::to_string(kKeyListTimeout.count()) + " s";
            break;
        }
        keys.insert(keys.end(), block.keys.begin(), block.keys.end());
        if (!block.moreFollows) {
            reading.keys = std::move(keys);
            break;
        }
        if (keys.size() > kMostKeys || Clock::now() >= whole) {
            co_await session.Send(kStopList);
            reading.why = keys.size() > kMostKeys
                              ? "the printer's key list goes on past the " + Grouped(kMostKeys) +
                                    " keys a printer can hold"
                              : "the printer's key list did not end within " +
                                    std::to_string(kKeyListTimeout.count()) + " s";
            break;
        }
        if (!(co_await session.Send(kNextBlock)).ok)
            break;
        answer = co_await session.Await(GraphicsAnswerForm(), deadline());
    }
    co_return reading;
}

asio::awaitable<std::optional<std::uint64_t>> AskGraphicsCapacity(PrinterSession& session,
                                                                  GraphicsCapacityKind kind) {
    const auto& question = kind == GraphicsCapacityKind::Total ? kGraphicsTotalCapacityQuestion
                                                               : kGraphicsRemainingCapacityQuestion;
    const Heard answer =
        co_await session.Ask(question, GraphicsAnswerForm(), After(kAnswerTimeout));
    std::uint64_t bytes = 0;
    if (!answer || ParseGraphicsCapacity(answer.bytes, kind, bytes) != GraphicsAnswer::Ok)
        co_return std::nullopt;
    co_return bytes;
}

asio::awaitable<JobResult> GraphicsListJob(PrinterSession& session) {
    JobResult result;
    const KeyListReading reading = co_await ReadGraphicsKeys(session);
    const auto& keys = reading.keys;
    const auto total = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Total);
    const auto left = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Remaining);
    auto figure = [](const std::optional<std::uint64_t>& bytes) {
        return bytes ? Grouped(*bytes) + " bytes" : std::string("no answer");
    };
    if (keys) {
        std::string line = "keys (" + std::to_string(keys->size()) + "):";
        for (const std::string& key : *keys)
            line += " " + key;
        result.lines.push_back(line);
        result.answers["keys"] = *keys;
    } else {
        result.lines.push_back("keys: " + (reading.why.empty() ? "no answer" : reading.why));
        result.answers["keys"] = nullptr;
    }
    result.lines.push_back("capacity: " + figure(total));
    result.lines.push_back("left: " + figure(left));
    result.answers["capacity"] = total ? nlohmann::json(*total) : nlohmann::json();
    result.answers["capacity_left"] = left ? nlohmann::json(*left) : nlohmann::json();
    if (!session.LineError().empty()) {
        result.exit = kExitFailed;
        result.message = session.LineError();
    } else if (!keys && !total && !left) {
        result.exit = kExitFailed;
        result.message = "the printer does not answer NV graphics questions";
    } else if (!keys) {
        result.exit = kExitFailed;
        result.message = reading.why.empty() ? "the printer does not list its keys" : reading.why;
    }
    co_return result;
}

} // namespace quillet::nv
