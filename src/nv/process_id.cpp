#include "nv/process_id.h"

#include <algorithm>
#include <random>

namespace quillet::nv {
namespace {

constexpr std::size_t kAnswerSize = 7; // 37 22 d1 d2 d3 d4 00

bool IsAnswerFor(const std::uint8_t* at, const ProcessId& id) {
    return at[0] == 0x37 && at[1] == 0x22 && std::equal(id.begin(), id.end(), at + 2) &&
           at[6] == 0x00;
}

} // namespace

ProcessId RandomProcessId() {
    static std::random_device device;
    std::uniform_int_distribution<int> printable(0x20, 0x7E);
    ProcessId id{};
    for (std::uint8_t& b : id)
        b = static_cast<std::uint8_t>(printable(device));
    return id;
}

std::array<std::uint8_t, 11> ProcessIdQuestion(const ProcessId& id) {
    return {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, id[0], id[1], id[2], id[3]};
}

Match TakeProcessIdAnswer(std::vector<std::uint8_t>& inbox, const std::vector<ProcessId>& ids) {
    for (std::size_t i = 0; i + kAnswerSize <= inbox.size(); ++i) {
        for (const ProcessId& id : ids) {
            if (!IsAnswerFor(inbox.data() + i, id))
                continue;
            Match match{Match::Kind::Answer, std::vector<std::uint8_t>(id.begin(), id.end())};
            inbox.erase(inbox.begin(),
                        inbox.begin() + static_cast<std::ptrdiff_t>(i + kAnswerSize));
            return match;
        }
    }
    if (inbox.size() >= kAnswerSize)
        inbox.erase(inbox.begin(), inbox.end() - (kAnswerSize - 1));
    return {};
}

} // namespace quillet::nv
