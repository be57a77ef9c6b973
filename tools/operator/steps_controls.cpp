// Steps about one control of the current window: acting on it and checking what it shows.
#include "step_support.h"

#include "controls.h"
#include "window_find.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

namespace {

bool is_combo(HWND control) {
    return class_name_of(control) == "ComboBox";
}
bool is_progress(HWND control) {
    return class_name_of(control) == PROGRESS_CLASSA;
}

bool need_combo(HWND control, const std::string& id, std::string& why) {
    if (is_combo(control))
        return true;
    why = "control " + id + " is a " + class_name_of(control) + ", not a combo box";
    return false;
}

// The direct child of `window` that holds `focus` (a combo box for its edit), or nullptr.
HWND control_holding(HWND window, HWND focus) {
    while (focus && GetAncestor(focus, GA_PARENT) != window)
        focus = GetAncestor(focus, GA_PARENT);
    return focus;
}

std::string describe_focus(HWND window) {
    HWND focus = focused_control(window);
    HWND holder = control_holding(window, focus);
    if (!focus)
        return "nothing";
    if (!holder)
        return "a window outside this one (" + class_name_of(focus) + ")";
    std::string text;
    read_text(holder, text);
    return "control " + std::to_string(GetDlgCtrlID(holder)) + " (" + class_name_of(holder) + " " +
           quoted(text) + ")";
}

std::string describe_control(HWND control) {
    std::string line = std::to_string(GetDlgCtrlID(control)) + " " + class_name_of(control);
    line += IsWindowEnabled(control) ? " enabled" : " disabled";
    if (!IsWindowVisible(control))
        line += " hidden";
    std::string text;
    line += read_text(control, text) ? " text=" + quoted(text) : " text=?";
    if (is_combo(control)) {
        std::vector<std::string> entries;
        int index = -1;
        std::string selected;
        if (combo_entries(control, entries) && combo_selection(control, index, selected)) {
            line += " entries=[" + quoted_list(entries, ",") + "] selection=" + quoted(selected);
        }
    }
    if (is_progress(control)) {
        int position = 0, low = 0, high = 0;
        if (progress_state(control, position, low, high))
            line += " position=" + std::to_string(position) + " range=" + std::to_string(low) +
                    ".." + std::to_string(high);
    }
    return line;
}

// Records why a step failed; lets a step say `return fail(why, "...")`.
bool fail(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

bool read_or_fail(HWND control, std::string& text, std::string& why) {
    return read_text(control, text) || fail(why, "the control does not answer");
}

bool expect_enabled_state(Session& session, const Args& args, std::string& why, bool enabled) {
    HWND control = nullptr;
    if (!find_control(session, args[0], control, why))
        return false;
    if ((IsWindowEnabled(control) != FALSE) != enabled)
        return fail(why, enabled ? "control is disabled" : "control is enabled");
    return true;
}

bool entries_of_combo(Session& session, const std::string& id, std::vector<std::string>& entries,
                      std::string& why) {
    HWND combo = nullptr;
    if (!find_control(session, id, combo, why) || !need_combo(combo, id, why))
        return false;
    return combo_entries(combo, entries) || fail(why, "the combo box does not answer");
}

} // namespace

bool step_click(Session& session, const Args& args, std::string& why) {
    HWND button = nullptr;
    if (!usable_control(session, args[0], button, why))
        return false;
    if (!post_click(button)) {
        why = "cannot click";
        return false;
    }
    return true;
}

bool step_type(Session& session, const Args& args, std::string& why) {
    HWND control = nullptr;
    if (!usable_control(session, args[0], control, why))
        return false;
    if (class_name_of(control) == "Edit" && (GetWindowLongA(control, GWL_STYLE) & ES_READONLY)) {
        why = "control " + args[0] + " is read-only";
        return false;
    }
    if (!write_text(control, args[1])) {
        why = "the control refused the text";
        return false;
    }
    return true;
}

bool step_select(Session& session, const Args& args, std::string& why) {
    HWND combo = nullptr;
    return usable_control(session, args[0], combo, why) && need_combo(combo, args[0], why) &&
           combo_select(combo, args[1], why);
}

bool step_dropdown(Session& session, const Args& args, std::string& why) {
    HWND combo = nullptr;
    return usable_control(session, args[0], combo, why) && need_combo(combo, args[0], why) &&
           (combo_drop(combo, true) || fail(why, "the combo box does not answer"));
}

bool step_closeup(Session& session, const Args& args, std::string& why) {
    HWND combo = nullptr;
    return find_control(session, args[0], combo, why) && need_combo(combo, args[0], why) &&
           (combo_drop(combo, false) || fail(why, "the combo box does not answer"));
}

bool step_press(Session& session, const Args& args, std::string& why) {
    UINT vk = 0;
    char ch = 0;
    if (!key_code(args[0], vk, ch)) {
        why = "unknown key " + args[0];
        return false;
    }
    HWND target = nullptr;
    if (args.size() > 1) {
        if (!usable_control(session, args[1], target, why))
            return false;
        if (!post_focus(session.current, target)) {
            why = "cannot move the focus";
            return false;
        }
        if (HWND edit = FindWindowExA(target, nullptr, "Edit", nullptr))
            target = edit; // a combo box's keys go to its edit
    } else {
        if (!session.current || !IsWindowEnabled(session.current)) {
            why = "no window takes keys now; open: " + describe_dialogs(session);
            return false;
        }
        target = focused_control(session.current);
        if (!target)
            target = session.current;
    }
    if (!post_key(target, vk, ch)) {
        why = "cannot post the key";
        return false;
    }
    return true;
}

bool step_expect_text(Session& session, const Args& args, std::string& why) {
    HWND control = nullptr;
    std::string text;
    if (!find_control(session, args[0], control, why) || !read_or_fail(control, text, why))
        return false;
    if (text != args[1]) {
        why = "text is " + quoted(text);
        return false;
    }
    return true;
}

bool step_expect_label(Session& session, const Args& args, std::string& why) {
    if (!session.current || !IsWindow(session.current)) {
        why = "no window to look at";
        return false;
    }
    for (HWND child : children_of(session.current)) {
        std::string text;
        if (IsWindowVisible(child) && read_text(child, text) && text == args[0])
            return true;
    }
    why = "nothing in " + quoted(caption_of(session.current)) + " shows that text";
    return false;
}

bool step_expect_enabled(Session& session, const Args& args, std::string& why) {
    return expect_enabled_state(session, args, why, true);
}

bool step_expect_disabled(Session& session, const Args& args, std::string& why) {
    return expect_enabled_state(session, args, why, false);
}

bool step_expect_focus(Session& session, const Args& args, std::string& why) {
    HWND control = nullptr;
    if (!find_control(session, args[0], control, why))
        return false;
    if (control_holding(session.current, focused_control(session.current)) != control)
        return fail(why, "the focus is on " + describe_focus(session.current));
    return true;
}

bool step_expect_progress(Session& session, const Args& args, std::string& why) {
    if (args.size() == 3) {
        why = "give the position alone, or the position, low and high";
        return false;
    }
    HWND bar = nullptr;
    if (!find_control(session, args[0], bar, why))
        return false;
    int position = 0, low = 0, high = 0;
    if (!progress_state(bar, position, low, high)) {
        why = "the progress bar does not answer";
        return false;
    }
    long want[3] = {};
    for (size_t i = 1; i < args.size(); ++i)
        if (!parse_number(args[i], want[i - 1])) {
            why = "bad number " + args[i];
            return false;
        }
    bool holds = position == want[0] && (args.size() == 2 || (low == want[1] && high == want[2]));
    if (!holds) {
        why = "position is " + std::to_string(position) + ", range " + std::to_string(low) + ".." +
              std::to_string(high);
        return false;
    }
    return true;
}

bool step_expect_selection(Session& session, const Args& args, std::string& why) {
    HWND combo = nullptr;
    if (!find_control(session, args[0], combo, why) || !need_combo(combo, args[0], why))
        return false;
    int index = -1;
    std::string selected;
    if (!combo_selection(combo, index, selected)) {
        why = "the combo box does not answer";
        return false;
    }
    if (index < 0 || selected != args[1]) {
        why = index < 0 ? "nothing is selected" : "selection is " + quoted(selected);
        return false;
    }
    return true;
}

bool step_expect_entries(Session& session, const Args& args, std::string& why) {
    std::vector<std::string> entries;
    if (!entries_of_combo(session, args[0], entries, why))
        return false;
    if (entries != std::vector<std::string>(args.begin() + 1, args.end()))
        return fail(why, "entries are " + quoted_list(entries, " "));
    return true;
}

bool step_expect_entry(Session& session, const Args& args, std::string& why) {
    std::vector<std::string> entries;
    if (!entries_of_combo(session, args[0], entries, why))
        return false;
    for (const std::string& entry : entries)
        if (entry == args[1])
            return true;
    return fail(why, "no such entry; entries are " + quoted_list(entries, " "));
}

bool step_print(Session& session, const Args& args, std::string& why) {
    HWND control = nullptr;
    if (!find_control(session, args[0], control, why))
        return false;
    std::printf("%s\n", describe_control(control).c_str());
    return true;
}

bool step_print_controls(Session& session, const Args&, std::string& why) {
    if (!session.current || !IsWindow(session.current)) {
        why = "no window to look at";
        return false;
    }
    std::printf("window %s\n", quoted(caption_of(session.current)).c_str());
    for (HWND child : children_of(session.current))
        std::printf("  %s\n", describe_control(child).c_str());
    return true;
}

bool step_print_focus(Session& session, const Args&, std::string& why) {
    if (!session.current || !IsWindow(session.current)) {
        why = "no window to look at";
        return false;
    }
    std::printf("focus: %s\n", describe_focus(session.current).c_str());
    return true;
}
