#include "nv/info_job.h"

#include "nv/graphics_questions.h"
#include "nv/printer_answers.h"
#include "nv/progress_line.h"

#include <cstdio>

namespace quillet::nv {
namespace {

constexpr std::chrono::milliseconds kQuestionTimeout{1000};
// GS I 65..69 answers are short texts.
constexpr std::size_t kLongestIdText = 80;

bool AnyForm(std::uint8_t) {
    return true;
}

AnswerMatcher ByteOfForm(bool (*form)(std::uint8_t)) {
    return [form](std::vector<std::uint8_t>& inbox) { return TakeByteAnswer(inbox, form); };
}

AnswerMatcher IdText() {
    return [](std::vector<std::uint8_t>& inbox) {
        return TakeTextAnswer(inbox, 0x5F, kLongestIdText);
    };
}

std::string Hex(std::uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

std::string Printable(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes)
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
    return text;
}

} // namespace

asio::awaitable<JobResult> InfoJob(PrinterSession& session) {
    JobResult result;
    bool any = false;
    struct ByteQuestion {
        std::uint8_t n;
        const char* name;
        const char* key;
        bool (*form)(std::uint8_t);
    };
    const ByteQuestion byteQuestions[] = {{1, "model ID", "model_id", AnyForm},
                                          {2, "type ID", "type_id", IsGsAnswerByte},
                                          {3, "ROM version ID", "rom_version_id", AnyForm}};
    for (const ByteQuestion& q : byteQuestions) {
        const Heard heard =
            co_await session.Ask(IdQuestion(q.n), ByteOfForm(q.form), After(kQuestionTimeout));
        std::string line = std::string(q.name) + ": ";
        if (!heard) {
            line += "no answer";
            result.answers[q.key] = nullptr;
        } else {
            any = true;
            const std::uint8_t b = heard.bytes.front();
            result.answers[q.key] = b;
            line += Hex(b);
            if (q.n == 2)
                line += (b & 0x02) ? " (auto-cutter)" : " (no auto-cutter)";
        }
        result.lines.push_back(line);
    }
    struct TextQuestion {
        std::uint8_t n;
        const char* name;
        const char* key;
    };
    const TextQuestion textQuestions[] = {{65, "firmware", "firmware"},
                                          {67, "model name", "model_name"}};
    for (const auto& [n, name, key] : textQuestions) {
        const Heard heard = co_await session.Ask(IdQuestion(n), IdText(), After(kQuestionTimeout));
        any = any || static_cast<bool>(heard);
        result.answers[key] = heard ? nlohmann::json(Printable(heard.bytes)) : nlohmann::json();
        result.lines.push_back(std::string(name) + ": " +
                               (heard ? Printable(heard.bytes) : std::string("no answer")));
    }
    // The two NV roads: FS q images cannot be asked about; NV graphics report their store.
    const auto total = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Total);
    const auto left = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Remaining);
    result.lines.push_back("NV images (FS q): the printer does not report them");
    result.lines.push_back(total && left ? "NV graphics (GS ( L): " + Grouped(*total) + " bytes, " +
                                               Grouped(*left) + " left"
                                         : std::string("NV graphics (GS ( L): no answer"));
    result.answers["graphics_capacity"] = total ? nlohmann::json(*total) : nlohmann::json();
    result.answers["graphics_capacity_left"] = left ? nlohmann::json(*left) : nlohmann::json();
    if (!any) {
        result.exit = kExitFailed;
        result.message =
            session.LineError().empty() ? "the printer gives no answers" : session.LineError();
    }
    co_return result;
}

} // namespace quillet::nv
