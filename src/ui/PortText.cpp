#include "ui/PortText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

int NumberFromText(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int PortNumberFromText(std::string text) {
    static constexpr char kCom[] = "COM";
    static constexpr std::size_t kComLength = sizeof kCom - 1;
    for (std::size_t at = text.find(kCom); at != std::string::npos; at = text.find(kCom, at))
        text.erase(at, kComLength);
    return NumberFromText(text);
}

std::string PortTextFromData(const char* data, std::size_t size) {
    const std::size_t limit = std::min(size, kPortTextMax);
    const char* end = static_cast<const char*>(std::memchr(data, '\0', limit));
    return std::string(data, end != nullptr ? static_cast<std::size_t>(end - data) : limit);
}
