#include "record.h"

namespace sim {

Record& Record::add(std::string key, std::int64_t v) {
    fields_.emplace_back(std::move(key), v);
    return *this;
}

Record& Record::add(std::string key, std::uint64_t v) {
    fields_.emplace_back(std::move(key), static_cast<std::int64_t>(v));
    return *this;
}

Record& Record::add(std::string key, bool v) {
    fields_.emplace_back(std::move(key), v);
    return *this;
}

Record& Record::add(std::string key, std::string v) {
    fields_.emplace_back(std::move(key), std::move(v));
    return *this;
}

Record& Record::add_raw(std::string key, std::string json) {
    fields_.emplace_back(std::move(key), RawJson{std::move(json)});
    return *this;
}

const Record::Value* Record::find(const std::string& key) const {
    for (const auto& [k, v] : fields_)
        if (k == key)
            return &v;
    return nullptr;
}

std::optional<std::int64_t> Record::num(const std::string& key) const {
    const Value* v = find(key);
    if (v && std::holds_alternative<std::int64_t>(*v))
        return std::get<std::int64_t>(*v);
    return std::nullopt;
}

std::optional<bool> Record::flag(const std::string& key) const {
    const Value* v = find(key);
    if (v && std::holds_alternative<bool>(*v))
        return std::get<bool>(*v);
    return std::nullopt;
}

std::optional<std::string> Record::str(const std::string& key) const {
    const Value* v = find(key);
    if (v && std::holds_alternative<std::string>(*v))
        return std::get<std::string>(*v);
    if (v && std::holds_alternative<RawJson>(*v))
        return std::get<RawJson>(*v).text;
    return std::nullopt;
}

std::string json_escape(const std::string& s) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string hex_bytes(const std::uint8_t* p, std::size_t n) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (i)
            out += ' ';
        out += hex[p[i] >> 4];
        out += hex[p[i] & 15];
    }
    return out;
}

std::string Record::to_json() const {
    std::string out = "{";
    bool first = true;
    for (const auto& [k, v] : fields_) {
        if (!first)
            out += ',';
        first = false;
        out += '"' + json_escape(k) + "\":";
        if (auto* i = std::get_if<std::int64_t>(&v))
            out += std::to_string(*i);
        else if (auto* b = std::get_if<bool>(&v))
            out += *b ? "true" : "false";
        else if (auto* s = std::get_if<std::string>(&v))
            out += '"' + json_escape(*s) + '"';
        else
            out += std::get<RawJson>(v).text;
    }
    return out + "}";
}

JsonlFile::JsonlFile(const std::string& path) : f_(std::fopen(path.c_str(), "w")) {}

JsonlFile::~JsonlFile() {
    if (f_)
        std::fclose(f_);
}

void JsonlFile::write(const Record& r) {
    if (!f_)
        return;
    std::string line = r.to_json() + "\n";
    std::fwrite(line.data(), 1, line.size(), f_);
    std::fflush(f_);
}

} // namespace sim
