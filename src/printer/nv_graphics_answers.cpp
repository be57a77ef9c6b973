#include "printer/nv_graphics_answers.h"

#include "printer/nv_graphics_encoder.h"

#include <limits>

namespace quillet {
namespace {

constexpr std::uint8_t kLastBlock = 0x40;
constexpr std::uint8_t kMoreBlocks = 0x41;

} // namespace

GraphicsAnswer ParseGraphicsCapacity(std::span<const std::uint8_t> answer,
                                     GraphicsCapacityKind kind, std::uint64_t& bytes) {
    if (answer.empty() || answer[0] != static_cast<std::uint8_t>(kind)) {
        return GraphicsAnswer::WrongIdentifier;
    }
    const auto digits = answer.subspan(1);
    if (digits.empty()) {
        return GraphicsAnswer::NoDigits;
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const std::uint8_t c : digits) {
        if (c < '0' || c > '9') {
            return GraphicsAnswer::NotDigits;
        }
        const std::uint64_t digit = c - '0';
        if (value > (kMax - digit) / 10) {
            return GraphicsAnswer::Overflow;
        }
        value = value * 10 + digit;
    }
    bytes = value;
    return GraphicsAnswer::Ok;
}

GraphicsAnswer ParseGraphicsKeyBlock(std::span<const std::uint8_t> answer,
                                     GraphicsKeyBlock& block) {
    if (answer.empty() || answer[0] != kGraphicsKeyListAnswer) {
        return GraphicsAnswer::WrongIdentifier;
    }
    if (answer.size() < 2 || (answer[1] != kLastBlock && answer[1] != kMoreBlocks)) {
        return GraphicsAnswer::BadStatus;
    }
    const auto pairs = answer.subspan(2);
    if (pairs.size() % 2 != 0) {
        return GraphicsAnswer::OddLength;
    }
    GraphicsKeyBlock parsed;
    parsed.moreFollows = answer[1] == kMoreBlocks;
    for (std::size_t at = 0; at < pairs.size(); at += 2) {
        std::string key{static_cast<char>(pairs[at]), static_cast<char>(pairs[at + 1])};
        if (!IsValidGraphicsKey(key)) {
            return GraphicsAnswer::BadKey;
        }
        parsed.keys.push_back(std::move(key));
    }
    block = std::move(parsed);
    return GraphicsAnswer::Ok;
}

} // namespace quillet
