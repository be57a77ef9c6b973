#include "script.h"

#include <cstdlib>
#include <sstream>

namespace {

bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Expands $NAME or ${NAME} starting at line[i] == '$'; advances i past it.
bool expand_variable(const std::string& line, size_t& i, std::string& out, std::string& why) {
    size_t start = i + 1;
    std::string name;
    if (start < line.size() && line[start] == '{') {
        size_t close = line.find('}', start);
        if (close == std::string::npos) {
            why = "unclosed ${";
            return false;
        }
        name = line.substr(start + 1, close - start - 1);
        i = close + 1;
    } else {
        size_t end = start;
        while (end < line.size() && is_name_char(line[end]))
            ++end;
        if (end == start) { // a lone '$' stays as it is
            out += '$';
            i = start;
            return true;
        }
        name = line.substr(start, end - start);
        i = end;
    }
    const char* value = std::getenv(name.c_str());
    if (!value) {
        why = "environment variable " + name + " is not set";
        return false;
    }
    out += value;
    return true;
}

char unescape(char c) {
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c;
    }
}

} // namespace

bool split_line(const std::string& line, std::vector<std::string>& words, std::string& why) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            char c = line[i];
            if (c == '\'') {
                size_t close = line.find('\'', i + 1);
                if (close == std::string::npos) {
                    why = "unclosed single quote";
                    return false;
                }
                word += line.substr(i + 1, close - i - 1);
                i = close + 1;
            } else if (c == '"') {
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    if (line[i] == '"') {
                        closed = true;
                        ++i;
                        break;
                    }
                    if (line[i] == '\\' && i + 1 < line.size()) {
                        word += unescape(line[i + 1]);
                        i += 2;
                    } else if (line[i] == '$') {
                        if (!expand_variable(line, i, word, why))
                            return false;
                    } else {
                        word += line[i++];
                    }
                }
                if (!closed) {
                    why = "unclosed double quote";
                    return false;
                }
            } else if (c == '$') {
                if (!expand_variable(line, i, word, why))
                    return false;
            } else {
                word += c;
                ++i;
            }
        }
        words.push_back(word);
    }
    return true;
}

bool parse_script(const std::string& text, std::vector<Step>& steps, std::string& why) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> words;
        std::string reason;
        if (!split_line(line, words, reason)) {
            why = "line " + std::to_string(number) + ": " + line + ": " + reason;
            return false;
        }
        if (words.empty())
            continue;
        Step step;
        step.line = number;
        step.text = line;
        step.name = words.front();
        step.args.assign(words.begin() + 1, words.end());
        steps.push_back(std::move(step));
    }
    return true;
}
