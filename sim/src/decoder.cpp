#include "decoder.h"

#include "config_meaning.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t LF = 0x0A, FF = 0x0C, ESC = 0x1B, GS = 0x1D, FS = 0x1C, US = 0x1F,
                       STX = 0x02, DLE = 0x10, EOT = 0x04, ENQ = 0x05, DC4 = 0x14;

bool valid_print_mode(std::uint8_t m) {
    return m <= 3 || (m >= 48 && m <= 51);
}

int le16(const std::vector<std::uint8_t>& b, std::size_t i) {
    return b[i] | (b[i + 1] << 8);
}

} // namespace

std::size_t Decoder::feed(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        step(bytes[i], offset_++);
        if (paused_) {
            paused_ = false;
            return i + 1;
        }
    }
    return n;
}

void Decoder::set_model(const PrinterModel& m) {
    model_ = m;
    graphics_.set_endless_key_list(m.endless_key_list);
}

void Decoder::graphics_outcome(GraphicsCommand::Outcome o) {
    switch (o) {
    case GraphicsCommand::Outcome::More:
        return;
    case GraphicsCommand::Outcome::AwaitsReply:
        mode_ = Mode::KeyListReply;
        return;
    case GraphicsCommand::Outcome::Done:
        mode_ = Mode::Command;
        return;
    case GraphicsCommand::Outcome::NvWritten:
        mode_ = Mode::Command;
        nv_written(graphics_.name());
        return;
    }
}

void Decoder::nv_written(const char* name) {
    if (responder_.nv_written(offset_, name))
        paused_ = true;
}

void Decoder::step(std::uint8_t b, std::uint64_t off) {
    switch (mode_) {
    case Mode::NvBlockHeader:
        nv_.block_hdr[nv_.block_hdr_len++] = b;
        if (nv_.block_hdr_len == 4)
            nv_block_header_done();
        return;
    case Mode::NvData:
        nv_data(b);
        return;
    case Mode::RasterData:
        raster_data(b);
        return;
    case Mode::ConfigData:
        config_data(b);
        return;
    case Mode::GraphicsBody:
        graphics_outcome(graphics_.take(b));
        return;
    case Mode::ProcessIdBody:
        process_id_byte(b);
        return;
    case Mode::KeyListReply: {
        GraphicsCommand::Outcome next{};
        const bool taken = graphics_.reply(b, off, next);
        graphics_outcome(next);
        if (taken)
            return;
        break; // no reply: the byte begins a command
    }
    case Mode::Command:
        break;
    }
    if (hdr_.empty())
        hdr_off_ = off;
    hdr_.push_back(b);
    switch (classify()) {
    case Match::NeedMore:
        return;
    case Match::Unknown:
        unknown_then_replay();
        return;
    case Match::Done:
        execute();
        hdr_.clear();
        return;
    }
}

// Decides from the bytes collected so far whether they begin a known command.
Decoder::Match Decoder::classify() const {
    const auto& h = hdr_;
    const std::size_t len = h.size();
    auto need = [&](std::size_t total) { return len < total ? Match::NeedMore : Match::Done; };
    switch (h[0]) {
    case LF:
    case FF:
        return Match::Done;
    case ESC:
        if (len < 2)
            return Match::NeedMore;
        if (h[1] == '@' || h[1] == 'm' || h[1] == 'i')
            return Match::Done;
        if (h[1] == 'c') {
            if (len < 3)
                return Match::NeedMore;
            return h[2] == '3' ? need(4) : Match::Unknown;
        }
        return Match::Unknown;
    case DLE:
        if (len < 2)
            return Match::NeedMore;
        if (h[1] == EOT || h[1] == ENQ)
            return need(3);
        if (h[1] == DC4) {
            if (len < 3)
                return Match::NeedMore;
            // fn 1 and 2 carry two parameters, fn 8 the seven bytes of the buffer clear.
            return h[2] == 1 || h[2] == 2 ? need(5) : h[2] == 8 ? need(10) : Match::Done;
        }
        return Match::Unknown;
    case GS:
        if (len < 2)
            return Match::NeedMore;
        if (h[1] == 'r' || h[1] == 'I')
            return need(3);
        if (h[1] == '(' || h[1] == '8') {
            if (len < 3)
                return Match::NeedMore;
            if (h[1] == '(' && h[2] == 'H')
                return need(5);
            if (h[2] != 'L')
                return Match::Unknown;
            return need(h[1] == '(' ? 5 : 7);
        }
        if (h[1] == 'v') {
            if (len < 3)
                return Match::NeedMore;
            if (h[2] != '0')
                return Match::Unknown;
            if (len < 4)
                return Match::NeedMore;
            return valid_print_mode(h[3]) ? need(8) : Match::Unknown;
        }
        if (h[1] == 'V') {
            if (len < 3)
                return Match::NeedMore;
            const std::uint8_t m = h[2];
            if (m == 0 || m == 1 || m == 48 || m == 49)
                return Match::Done;
            if (m == 65 || m == 66)
                return need(4);
            return Match::Unknown;
        }
        return Match::Unknown;
    case FS:
        if (len < 2)
            return Match::NeedMore;
        if (h[1] == 'q')
            return need(3);
        if (h[1] == 'p') {
            if (len < 4)
                return Match::NeedMore;
            return valid_print_mode(h[3]) ? Match::Done : Match::Unknown;
        }
        return Match::Unknown;
    case US:
        if (len < 2)
            return Match::NeedMore;
        return h[1] == 'C' ? need(3) : Match::Unknown;
    case STX:
        // 02 00, code 1, eight zero bytes, length, code 2: anything else is no packet.
        if (len < 2)
            return Match::NeedMore;
        if (h[1] != 0)
            return Match::Unknown;
        if (len >= 5 && len <= 12 && h[len - 1] != 0)
            return Match::Unknown;
        if (len == 14 && le16(h, 12) > kMaxConfigData)
            return Match::Unknown;
        return need(16);
    default:
        return Match::Unknown;
    }
}

// The first byte starts no known command: report it and read the rest again from the top.
void Decoder::unknown_then_replay() {
    log_.write(Record("unknown").add("offset", hdr_off_).add("byte", int{hdr_[0]}));
    std::vector<std::uint8_t> rest(hdr_.begin() + 1, hdr_.end());
    const std::uint64_t rest_off = hdr_off_ + 1;
    hdr_.clear();
    for (std::size_t i = 0; i < rest.size(); ++i)
        step(rest[i], rest_off + i);
}

void Decoder::execute() {
    const auto& h = hdr_;
    auto cmd = [&](const char* name) {
        return Record("cmd").add("name", name).add("offset", hdr_off_);
    };
    switch (h[0]) {
    case DLE:
        realtime();
        return;
    case LF:
        log_.write(cmd("LF"));
        printer_.feed(Printer::kLineDots);
        return;
    case FF:
        log_.write(cmd("FF"));
        return;
    case ESC:
        if (h[1] == '@') {
            log_.write(cmd("ESC @"));
        } else if (h[1] == 'm' || h[1] == 'i') {
            const char* name = h[1] == 'm' ? "ESC m" : "ESC i";
            log_.write(cmd(name).add("cut", h[1] == 'm' ? "partial" : "full"));
            printer_.cut(hdr_off_, name);
        } else {
            log_.write(cmd("ESC c 3")
                           .add("n", int{h[3]})
                           .add("setting", "Near")
                           .add("value", (h[3] & 0x03) ? "Use" : "Not use"));
        }
        return;
    case GS:
        if (h[1] == 'r' || h[1] == 'I') {
            question();
        } else if (h[1] == '(' && h[2] == 'H') {
            pid_ = ProcessId{};
            pid_.length = static_cast<std::uint64_t>(le16(h, 3));
            if (pid_.length == 0)
                process_id_done();
            else
                mode_ = Mode::ProcessIdBody;
        } else if (h[1] == '(' || h[1] == '8') {
            std::uint64_t length = le16(h, 3);
            if (h[1] == '8')
                length |= static_cast<std::uint64_t>(le16(h, 5)) << 16;
            mode_ = Mode::GraphicsBody;
            graphics_outcome(graphics_.begin(hdr_off_, h[1] == '(' ? "GS ( L" : "GS 8 L", length));
        } else if (h[1] == 'v') {
            raster_ = Raster{};
            raster_.x = le16(h, 4);
            raster_.y = le16(h, 6);
            const Scale s = Scale::from_mode(h[3]);
            log_.write(cmd("GS v 0")
                           .add("m", int{h[3]})
                           .add("x", raster_.x)
                           .add("y", raster_.y)
                           .add("width", 8 * raster_.x)
                           .add("bytes", static_cast<std::int64_t>(raster_.x) * raster_.y));
            printer_.raster_begin(hdr_off_, raster_.x, raster_.y, s);
            const int on_paper = (printer_.paper_dots() + 8 * s.sx - 1) / (8 * s.sx);
            raster_.row.assign(static_cast<std::size_t>(std::min(raster_.x, on_paper)), 0);
            if (raster_.x > 0 && raster_.y > 0)
                mode_ = Mode::RasterData;
        } else {
            const std::uint8_t m = h[2];
            const bool full = m == 0 || m == 48 || m == 65;
            Record r = cmd("GS V");
            r.add("m", int{m}).add("cut", full ? "full" : "partial");
            if (h.size() == 4) {
                r.add("n", int{h[3]});
                printer_.feed(h[3]);
            }
            log_.write(r);
            printer_.cut(hdr_off_, "GS V");
        }
        return;
    case FS:
        if (h[1] == 'q') {
            start_nv_definition(h[2]);
        } else {
            const int n = h[2];
            const bool defined = printer_.store().get(n) != nullptr;
            log_.write(cmd("FS p").add("n", n).add("m", int{h[3]}).add("defined", defined));
            printer_.print_nv(hdr_off_, n, Scale::from_mode(h[3]));
        }
        return;
    case US:
        log_.write(cmd("feed").add("n", int{h[2]}).add("mm", int{h[2]}));
        return;
    case STX:
        config_ = Config{};
        config_.code1 = le16(h, 2);
        config_.n = le16(h, 12);
        config_.code2 = le16(h, 14);
        mode_ = Mode::ConfigData;
        return;
    default:
        return;
    }
}

void Decoder::start_nv_definition(int n) {
    nv_ = NvDefinition{};
    nv_.n = n;
    if (n == 0) {
        log_.write(Record("refused")
                       .add("name", "FS q")
                       .add("offset", hdr_off_)
                       .add("n", 0)
                       .add("reason", "n out of range 1-255"));
        return;
    }
    mode_ = Mode::NvBlockHeader;
}

void Decoder::nv_block_header_done() {
    const std::uint8_t* b = nv_.block_hdr;
    nv_.x = b[0] | (b[1] << 8);
    nv_.y = b[2] | (b[3] << 8);
    nv_.block_hdr_len = 0;
    nv_.remaining = 8ull * static_cast<std::uint64_t>(nv_.x) * static_cast<std::uint64_t>(nv_.y);
    const std::string json =
        "{\"x\":" + std::to_string(nv_.x) + ",\"y\":" + std::to_string(nv_.y) + "}";
    nv_.images_json += (nv_.images_json.empty() ? "" : ",") + json;

    if (!nv_.refused) {
        const char* reason = nullptr;
        if (nv_.x < 1 || nv_.x > NvLimits::kMaxX)
            reason = "x out of range 1-1023";
        else if (nv_.y < 1 || nv_.y > NvLimits::kMaxY)
            reason = "y out of range 1-288";
        else if (nv_.total + nv_.remaining > printer_.store().capacity())
            reason = "over capacity";
        if (reason) {
            // Everything announced is still read, so that what follows stays in step.
            nv_.refused = true;
            nv_.images.clear();
            nv_.refusal = Record("refused");
            nv_.refusal.add("name", "FS q")
                .add("offset", hdr_off_)
                .add("n", nv_.n)
                .add("image", nv_.index + 1)
                .add("x", nv_.x)
                .add("y", nv_.y)
                .add("reason", reason)
                .add("capacity", printer_.store().capacity());
        } else {
            NvImage im;
            im.x = nv_.x;
            im.y = nv_.y;
            im.columns.reserve(static_cast<std::size_t>(nv_.remaining));
            nv_.images.push_back(std::move(im));
        }
    }
    nv_.total += nv_.remaining;
    if (nv_.remaining == 0)
        nv_next_block();
    else
        mode_ = Mode::NvData;
}

void Decoder::nv_data(std::uint8_t b) {
    if (!nv_.refused)
        nv_.images.back().columns.push_back(b);
    if (--nv_.remaining == 0)
        nv_next_block();
}

void Decoder::nv_next_block() {
    if (++nv_.index == nv_.n)
        nv_definition_done();
    else
        mode_ = Mode::NvBlockHeader;
}

void Decoder::nv_definition_done() {
    mode_ = Mode::Command;
    if (nv_.refused) {
        log_.write(nv_.refusal);
    } else {
        Record r("cmd");
        r.add("name", "FS q")
            .add("offset", hdr_off_)
            .add("n", nv_.n)
            .add_raw("images", "[" + nv_.images_json + "]");
        r.add("bytes", nv_.total);
        r.add("stored", printer_.store_nv_images(std::move(nv_.images), hdr_off_));
        log_.write(r);
        nv_ = NvDefinition{};
        nv_written("FS q");
        return;
    }
    nv_ = NvDefinition{};
}

void Decoder::raster_data(std::uint8_t b) {
    if (static_cast<std::size_t>(raster_.col) < raster_.row.size())
        raster_.row[static_cast<std::size_t>(raster_.col)] = b;
    if (++raster_.col == raster_.x) {
        printer_.raster_row(raster_.row.data(), raster_.row.size());
        raster_.col = 0;
        if (++raster_.rows_done == raster_.y)
            mode_ = Mode::Command;
    }
}

void Decoder::config_data(std::uint8_t b) {
    if (static_cast<int>(config_.data.size()) < config_.n) {
        config_.data.push_back(b);
        return;
    }
    std::uint8_t check = 0;
    for (std::uint8_t d : config_.data)
        check ^= d;
    Record r("cmd");
    r.add("name", "config")
        .add("offset", hdr_off_)
        .add("code1", config_.code1)
        .add("code2", config_.code2)
        .add("n", config_.n);
    r.add("data", hex_bytes(config_.data.data(), config_.data.size()))
        .add("check", int{b})
        .add("check_ok", check == b);
    if (auto meaning = config_meaning(config_.code1, config_.code2, config_.data))
        r.add("setting", meaning->setting).add("value", meaning->value);
    log_.write(r);
    mode_ = Mode::Command;
}

std::string Decoder::pending_name() const {
    if (hdr_.empty())
        return "";
    const std::uint8_t second = hdr_.size() > 1 ? hdr_[1] : 0;
    switch (hdr_[0]) {
    case ESC:
        return second == 'c' ? "ESC c 3" : "ESC";
    case DLE:
        return second == EOT   ? "DLE EOT"
               : second == ENQ ? "DLE ENQ"
               : second == DC4 ? "DLE DC4"
                               : "DLE";
    case GS:
        return second == 'v'   ? "GS v 0"
               : second == 'V' ? "GS V"
               : second == 'r' ? "GS r"
               : second == 'I' ? "GS I"
               : second == '(' ? (hdr_.size() > 2 && hdr_[2] == 'H' ? "GS ( H" : "GS ( L")
               : second == '8' ? "GS 8 L"
                               : "GS";
    case FS:
        return second == 'q' ? "FS q" : second == 'p' ? "FS p" : "FS";
    case US:
        return "feed";
    case STX:
        return "config";
    default:
        return "";
    }
}

void Decoder::finish() {
    Record r("truncated");
    switch (mode_) {
    case Mode::Command:
        if (hdr_.empty())
            return;
        r.add("name", pending_name()).add("offset", hdr_off_).add("received", hdr_.size());
        break;
    case Mode::NvBlockHeader:
    case Mode::NvData:
        r.add("name", "FS q")
            .add("offset", hdr_off_)
            .add("n", nv_.n)
            .add("images_received", nv_.index);
        break;
    case Mode::RasterData:
        r.add("name", "GS v 0")
            .add("offset", hdr_off_)
            .add("rows", raster_.y)
            .add("rows_received", raster_.rows_done);
        break;
    case Mode::ConfigData:
        r.add("name", "config")
            .add("offset", hdr_off_)
            .add("received", 16 + config_.data.size())
            .add("expected", 17 + config_.n);
        break;
    case Mode::ProcessIdBody:
        r.add("name", "GS ( H")
            .add("offset", hdr_off_)
            .add("received", pid_.received)
            .add("expected", pid_.length);
        break;
    case Mode::GraphicsBody:
        graphics_.truncated();
        hdr_.clear();
        mode_ = Mode::Command;
        return;
    case Mode::KeyListReply:
        hdr_.clear();
        mode_ = Mode::Command;
        return; // the key list was sent whole as far as it went
    }
    log_.write(r);
    hdr_.clear();
    nv_ = NvDefinition{};
    mode_ = Mode::Command;
}

} // namespace sim
