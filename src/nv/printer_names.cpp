#include "nv/printer_names.h"

#include "nv/printer_answers.h"

namespace quillet::nv {
namespace {

constexpr std::chrono::milliseconds kAnswerTimeout{1000};
constexpr std::size_t kLongestName = 80;

asio::awaitable<std::optional<std::string>> AskName(PrinterSession& session, std::uint8_t n) {
    const AnswerMatcher form = [](std::vector<std::uint8_t>& inbox) {
        return TakeTextAnswer(inbox, 0x5F, kLongestName);
    };
    const Heard answer = co_await session.Ask(IdQuestion(n), form, After(kAnswerTimeout));
    if (!answer || answer.bytes.empty())
        co_return std::nullopt;
    std::string text;
    for (const std::uint8_t b : answer.bytes)
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
    co_return text;
}

} // namespace

asio::awaitable<PrinterNames> AskPrinterNames(PrinterSession& session) {
    PrinterNames names;
    if (!session.CanRead())
        co_return names;
    names.model = co_await AskName(session, 67);
    names.serial = co_await AskName(session, 68);
    co_return names;
}

} // namespace quillet::nv
