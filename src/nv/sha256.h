// SHA-256 (FIPS 180-4), for the ledger's record of the bytes a printer stored.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quillet::nv {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Add(std::span<const std::uint8_t> bytes);
    Sha256Digest Finish(); // once; the object is spent afterwards

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

// Lower-case hex of the digest of `bytes`.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace quillet::nv
