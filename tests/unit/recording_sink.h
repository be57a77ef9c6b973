#pragma once

#include "printer/byte_sink.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace quillet::test {

// Keeps every write apart; can refuse the write with a given index (0 = the first).
class RecordingSink : public ByteSink {
public:
    explicit RecordingSink(std::size_t failingWrite = std::numeric_limits<std::size_t>::max())
        : failingWrite_(failingWrite) {}

    bool Write(const std::uint8_t* data, std::size_t size) override {
        if (attempts_++ == failingWrite_) {
            return false;
        }
        writes.emplace_back(data, data + size);
        return true;
    }

    std::vector<std::uint8_t> Joined() const {
        std::vector<std::uint8_t> all;
        for (const auto& w : writes) {
            all.insert(all.end(), w.begin(), w.end());
        }
        return all;
    }

    std::size_t Attempts() const { return attempts_; }

    std::vector<std::vector<std::uint8_t>> writes;

private:
    std::size_t failingWrite_;
    std::size_t attempts_ = 0;
};

} // namespace quillet::test
