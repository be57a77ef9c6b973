#include "graphics_command.h"

#include <algorithm>

namespace sim {

namespace {

constexpr int kDefineRaster = 67;
constexpr std::size_t kKeysPerBlock = 40;
constexpr std::uint8_t ACK = 0x06, NAK = 0x15, CAN = 0x18;

std::vector<std::uint8_t> decimal_answer(std::uint8_t id, std::uint64_t value) {
    std::vector<std::uint8_t> out = {0x37, id};
    for (char c : std::to_string(value))
        out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0x00);
    return out;
}

bool valid_key(std::uint8_t a, std::uint8_t b) {
    return GraphicsLimits::valid_key_byte(a) && GraphicsLimits::valid_key_byte(b);
}

} // namespace

Record GraphicsCommand::cmd(int fn) const {
    Record r("cmd");
    r.add("name", name_).add("offset", offset_).add("fn", fn);
    return r;
}

GraphicsCommand::Outcome GraphicsCommand::refuse(int fn, const std::string& reason) {
    Record r("refused");
    r.add("name", name_).add("offset", offset_).add("fn", fn).add("reason", reason);
    if (!key_.empty())
        r.add("key", key_);
    log_.write(r);
    return Outcome::Done;
}

GraphicsCommand::Outcome GraphicsCommand::begin(std::uint64_t offset, const char* name,
                                                std::uint64_t length) {
    name_ = name;
    offset_ = offset;
    length_ = length;
    received_ = 0;
    head_.clear();
    key_.clear();
    image_ = GraphicsImage{};
    refusal_.clear();
    return length == 0 ? execute() : Outcome::More;
}

GraphicsCommand::Outcome GraphicsCommand::take(std::uint8_t b) {
    ++received_;
    const bool defining = head_.size() >= 2 && head_[0] == 0x30 && head_[1] == kDefineRaster;
    if (defining && head_.size() == kDefineHeader) {
        if (refusal_.empty())
            image_.rows.push_back(b);
    } else if (head_.size() < std::max(kMaxSmallBody, kDefineHeader)) {
        head_.push_back(b);
        if (head_.size() == kDefineHeader && head_[0] == 0x30 && head_[1] == kDefineRaster)
            definition_header();
    }
    return received_ == length_ ? execute() : Outcome::More;
}

// Checked as soon as it is known, so that a refused image is never held in memory.
void GraphicsCommand::definition_header() {
    const auto& h = head_;
    key_ = std::string{static_cast<char>(h[3]), static_cast<char>(h[4])};
    image_.width = h[6] | (h[7] << 8);
    image_.height = h[8] | (h[9] << 8);
    const std::uint64_t k = static_cast<std::uint64_t>(image_.stride()) * image_.height;
    if (h[2] != 0x30)
        refusal_ = "a must be 48";
    else if (!valid_key(h[3], h[4]))
        refusal_ = "key out of range 32-126";
    else if (h[5] != 1)
        refusal_ = "b must be 1";
    else if (image_.width < 1 || image_.width > GraphicsLimits::kMaxWidth)
        refusal_ = "width out of range 1-8192";
    else if (image_.height < 1 || image_.height > GraphicsLimits::kMaxHeight)
        refusal_ = "height out of range 1-2304";
    else if (h[10] != 0x31)
        refusal_ = "c must be 49";
    else if (length_ != kDefineHeader + k)
        refusal_ = "length is not 11 + data";
    else if (!printer_.graphics().fits(key_, k))
        refusal_ = "over capacity";
    if (refusal_.empty())
        image_.rows.reserve(static_cast<std::size_t>(k));
}

GraphicsCommand::Outcome GraphicsCommand::execute() {
    if (head_.size() < 2) {
        log_.write(
            Record("unknown").add("offset", offset_).add("name", name_).add("length", length_));
        return Outcome::Done;
    }
    const int m = head_[0], fn = head_[1];
    if (m != 0x30) {
        log_.write(
            Record("unknown").add("offset", offset_).add("name", name_).add("m", m).add("fn", fn));
        return Outcome::Done;
    }
    const std::uint64_t n = length_;
    auto params = [&](const char* want) {
        return n == 2 + std::char_traits<char>::length(want) &&
               std::equal(head_.begin() + 2, head_.end(), want);
    };
    switch (fn) {
    case 0:
    case 48:
        if (n != 2)
            return refuse(fn, "length");
        send_capacity(fn, printer_.graphics().capacity());
        return Outcome::Done;
    case 3:
    case 51:
        if (n != 2)
            return refuse(fn, "length");
        send_capacity(fn, printer_.graphics().remaining());
        return Outcome::Done;
    case 64:
        if (!params("KC"))
            return refuse(fn, "parameters");
        list_ = printer_.graphics().keys();
        block_start_ = block_end_ = 0;
        if (endless_) {
            log_.write(cmd(fn).add("keys", list_.size()).add("endless", true));
            return send_endless_block();
        }
        log_.write(cmd(fn).add("keys", list_.size()));
        return send_key_block();
    case 65:
        if (!params("CLR"))
            return refuse(fn, "parameters");
        return delete_all();
    case 66:
        if (n != 4 || !valid_key(head_[2], head_[3]))
            return refuse(fn, "parameters");
        return delete_key();
    case 69:
        if (n != 6 || !valid_key(head_[2], head_[3]))
            return refuse(fn, "parameters");
        return print_key();
    case kDefineRaster:
        return definition_done();
    default:
        log_.write(Record("unknown").add("offset", offset_).add("name", name_).add("fn", fn));
        return Outcome::Done;
    }
}

void GraphicsCommand::send_capacity(int fn, std::uint64_t value) {
    const bool total = fn == 0 || fn == 48;
    log_.write(cmd(fn).add(total ? "capacity" : "remaining", value));
    responder_.answer(offset_, name_, fn, decimal_answer(total ? 0x30 : 0x31, value));
}

GraphicsCommand::Outcome GraphicsCommand::send_key_block() {
    block_end_ = std::min(list_.size(), block_start_ + kKeysPerBlock);
    const bool more = block_end_ < list_.size();
    std::vector<std::uint8_t> out = {0x37, 0x72, static_cast<std::uint8_t>(more ? 0x41 : 0x40)};
    for (std::size_t i = block_start_; i < block_end_; ++i)
        out.insert(out.end(), list_[i].begin(), list_[i].end());
    out.push_back(0x00);
    responder_.answer(offset_, name_, 64, out);
    return more ? Outcome::AwaitsReply : Outcome::Done;
}

// Keys in order through all 95 x 95 that can exist, then round again: a host that trusts "more
// follows" never gets to the end.
GraphicsCommand::Outcome GraphicsCommand::send_endless_block() {
    constexpr std::uint64_t kSpan = 95, kAllKeys = kSpan * kSpan;
    block_end_ = block_start_ + kKeysPerBlock;
    std::vector<std::uint8_t> out = {0x37, 0x72, 0x41};
    for (std::size_t i = block_start_; i < block_end_; ++i) {
        const std::uint64_t k = i % kAllKeys;
        out.push_back(static_cast<std::uint8_t>(0x20 + k / kSpan));
        out.push_back(static_cast<std::uint8_t>(0x20 + k % kSpan));
    }
    out.push_back(0x00);
    responder_.answer(offset_, name_, 64, out);
    return Outcome::AwaitsReply;
}

bool GraphicsCommand::reply(std::uint8_t b, std::uint64_t offset, Outcome& next) {
    const char* meaning = b == ACK ? "next" : b == NAK ? "again" : b == CAN ? "cancel" : nullptr;
    if (!meaning) {
        log_.write(Record("key_list_end").add("offset", offset).add("reason", "no reply"));
        next = Outcome::Done;
        return false;
    }
    log_.write(
        Record("key_list_reply").add("offset", offset).add("byte", int{b}).add("meaning", meaning));
    if (b == CAN) {
        next = Outcome::Done;
        return true;
    }
    if (b == ACK)
        block_start_ = block_end_;
    next = endless_ ? send_endless_block() : send_key_block();
    return true;
}

GraphicsCommand::Outcome GraphicsCommand::definition_done() {
    if (head_.size() < kDefineHeader)
        return refuse(kDefineRaster, "length is not 11 + data");
    if (!refusal_.empty()) {
        Record r("refused");
        r.add("name", name_).add("offset", offset_).add("fn", kDefineRaster).add("key", key_);
        r.add("width", image_.width).add("height", image_.height).add("reason", refusal_);
        r.add("bytes", length_ - kDefineHeader).add("remaining", printer_.graphics().remaining());
        log_.write(r);
        return Outcome::Done;
    }
    const bool replaced = printer_.graphics().get(key_) != nullptr;
    Record r = cmd(kDefineRaster);
    r.add("key", key_).add("width", image_.width).add("height", image_.height);
    r.add("bytes", image_.rows.size()).add("replaced", replaced);
    const bool ok = printer_.define_graphics(key_, std::move(image_), offset_, name_);
    r.add("stored", ok).add("remaining", printer_.graphics().remaining());
    log_.write(r);
    return Outcome::NvWritten;
}

GraphicsCommand::Outcome GraphicsCommand::delete_all() {
    const std::size_t n = printer_.graphics().count();
    const bool ok = printer_.graphics().remove_all();
    log_.write(cmd(65).add("deleted", n).add("ok", ok));
    return Outcome::NvWritten;
}

GraphicsCommand::Outcome GraphicsCommand::delete_key() {
    key_ = std::string{static_cast<char>(head_[2]), static_cast<char>(head_[3])};
    bool existed = false;
    const bool ok = printer_.graphics().remove(key_, existed);
    log_.write(cmd(66).add("key", key_).add("deleted", existed).add("ok", ok));
    return Outcome::NvWritten;
}

GraphicsCommand::Outcome GraphicsCommand::print_key() {
    key_ = std::string{static_cast<char>(head_[2]), static_cast<char>(head_[3])};
    const int x = head_[4], y = head_[5];
    if ((x != 1 && x != 2) || (y != 1 && y != 2))
        return refuse(69, "scale must be 1 or 2");
    const GraphicsImage* im = printer_.graphics().get(key_);
    log_.write(cmd(69).add("key", key_).add("x", x).add("y", y).add("defined", im != nullptr));
    if (im)
        printer_.print_graphics(offset_, *im, Scale{x, y}, name_);
    return Outcome::Done;
}

void GraphicsCommand::truncated() {
    Record r("truncated");
    r.add("name", name_).add("offset", offset_).add("received", received_).add("expected", length_);
    if (head_.size() >= 2)
        r.add("fn", int{head_[1]});
    log_.write(r);
}

} // namespace sim
