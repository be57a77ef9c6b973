// One log record: an ordered set of JSON fields, written as one line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace sim {

struct RawJson {
    std::string text;
};

class Record {
public:
    using Value = std::variant<std::int64_t, bool, std::string, RawJson>;

    explicit Record(std::string ev) { add("ev", std::move(ev)); }

    Record& add(std::string key, std::int64_t v);
    Record& add(std::string key, int v) { return add(std::move(key), std::int64_t{v}); }
    Record& add(std::string key, unsigned v) { return add(std::move(key), std::int64_t{v}); }
    Record& add(std::string key, std::uint64_t v);
    Record& add(std::string key, bool v);
    Record& add(std::string key, std::string v);
    Record& add(std::string key, const char* v) { return add(std::move(key), std::string(v)); }
    Record& add_raw(std::string key, std::string json);

    std::string ev() const { return *str("ev"); }
    std::optional<std::int64_t> num(const std::string& key) const;
    std::optional<bool> flag(const std::string& key) const;
    std::optional<std::string> str(const std::string& key) const;
    std::string to_json() const;

private:
    const Value* find(const std::string& key) const;
    std::vector<std::pair<std::string, Value>> fields_;
};

std::string json_escape(const std::string& s);
std::string hex_bytes(const std::uint8_t* p, std::size_t n);

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void write(const Record& r) = 0;
};

// Appends each record as one line and flushes it, so a reader sees it at once.
class JsonlFile : public RecordSink {
public:
    explicit JsonlFile(const std::string& path);
    ~JsonlFile() override;
    JsonlFile(const JsonlFile&) = delete;
    JsonlFile& operator=(const JsonlFile&) = delete;
    bool ok() const { return f_ != nullptr; }
    void write(const Record& r) override;

private:
    std::FILE* f_;
};

class MemorySink : public RecordSink {
public:
    void write(const Record& r) override { records.push_back(r); }
    std::vector<Record> records;
};

} // namespace sim
