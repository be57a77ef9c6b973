#include "step_support.h"

#include "dialogs.h"
#include "window_find.h"

#include <cerrno>
#include <cstdlib>

bool parse_number(const std::string& text, long& value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

bool resolve_id(const Session& session, const std::string& text, long& id, std::string& why) {
    if (parse_number(text, id))
        return true;
    auto named = session.names.find(text);
    if (named != session.names.end()) {
        id = named->second;
        return true;
    }
    why = "unknown control id " + text;
    return false;
}

bool parse_duration(const std::string& text, DWORD& ms, std::string& why) {
    long value = 0;
    if (!parse_number(text, value) || value < 0) {
        why = "bad duration " + text + " (milliseconds)";
        return false;
    }
    ms = static_cast<DWORD>(value);
    return true;
}

bool wait_argument(const Session& session, const Args& args, size_t index, DWORD& ms,
                   std::string& why) {
    ms = session.wait_ms;
    return index >= args.size() || parse_duration(args[index], ms, why);
}

bool find_control(const Session& session, const std::string& id_text, HWND& control,
                  std::string& why) {
    if (!session.current || !IsWindow(session.current)) {
        why = "no window to act on (wait for it with `window` or `dialog` first)";
        return false;
    }
    long id = 0;
    if (!resolve_id(session, id_text, id, why))
        return false;
    control = GetDlgItem(session.current, static_cast<int>(id));
    if (!control) {
        why = "no control with id " + std::to_string(id) + " in " +
              quoted(caption_of(session.current));
        return false;
    }
    return true;
}

bool usable_control(const Session& session, const std::string& id_text, HWND& control,
                    std::string& why) {
    if (!find_control(session, id_text, control, why))
        return false;
    if (!IsWindowVisible(control)) {
        why = "control " + id_text + " is hidden";
        return false;
    }
    if (!IsWindowEnabled(control)) {
        why = "control " + id_text + " is disabled";
        return false;
    }
    if (!IsWindowEnabled(session.current)) {
        why = "the window is disabled (a modal window is open: " + describe_dialogs(session) + ")";
        return false;
    }
    return true;
}

bool wait_for(DWORD ms, const std::function<bool()>& done) {
    ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string quoted_list(const std::vector<std::string>& texts, const char* separator) {
    std::string list;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i)
            list.append(separator);
        list.append(quoted(texts[i]));
    }
    return list;
}

std::string describe_dialogs(const Session& session) {
    std::string list;
    for (HWND dialog : dialogs_of_process(session.pid, session.main)) {
        if (!list.empty())
            list += ", ";
        list += "box " + quoted(caption_of(dialog));
        std::string text;
        if (message_box_text(dialog, text))
            list += " saying " + quoted(text);
    }
    return list.empty() ? "none" : list;
}
