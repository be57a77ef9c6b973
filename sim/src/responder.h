// The decoder's way back to the host: answers to questions, and the NV writes that keep the
// printer busy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class Responder {
public:
    virtual ~Responder() = default;
    // `bytes` answer the command `name` (function or parameter n) that began at `offset`.
    virtual void answer(std::uint64_t offset, const std::string& name, int n,
                        const std::vector<std::uint8_t>& bytes) = 0;
    // What became of the real-time command at `offset` when it arrived: "answered", "busy", or
    // empty when it is left to the decoder.
    virtual std::string taken_on_arrival(std::uint64_t offset) const = 0;
    // An NV write ended at `offset`; true: the decoder stops there until the host of the line
    // feeds it again.
    virtual bool nv_written(std::uint64_t offset, const std::string& name) = 0;
};

// Answers go nowhere and nothing keeps the printer busy.
class NoResponder : public Responder {
public:
    void answer(std::uint64_t, const std::string&, int, const std::vector<std::uint8_t>&) override {
    }
    std::string taken_on_arrival(std::uint64_t) const override { return ""; }
    bool nv_written(std::uint64_t, const std::string&) override { return false; }
};

} // namespace sim
