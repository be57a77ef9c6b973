#include "steps.h"

#include "dialogs.h"
#include "settle.h"
#include "step_support.h"

#include <fstream>
#include <sstream>

namespace {

struct StepKind {
    const char* name;
    size_t min_args;
    size_t max_args; // kAny: no upper bound
    StepFn run;
    const char* usage;
    // Checked again and again until it holds or the expectation time-out runs out.
    bool expectation = false;
};

constexpr size_t kAny = static_cast<size_t>(-1);
constexpr bool kExpect = true;

const StepKind kSteps[] = {
    {"window", 1, 2, step_window, "window CAPTION [MS]   wait for a top-level window; act on it"},
    {"dialog", 1, 2, step_dialog, "dialog TITLE [MS]     wait for a box of the program; act on it"},
    {"dismiss", 0, 1, step_dismiss,
     "dismiss [ID]          click ID (default OK) in the box, wait until it closes"},
    {"message", 2, 3, step_message, "message TITLE TEXT [MS] expect a message box, then click OK"},
    {"no-dialog", 1, 1, step_no_dialog, "no-dialog MS          expect no box to appear within MS"},
    {"open-file", 1, 2, step_open_file,
     "open-file PATH [MS]   answer the file-open dialog with PATH"},
    {"cancel-file", 0, 1, step_cancel_file, "cancel-file [MS]      cancel the file-open dialog"},
    {"click", 1, 1, step_click, "click ID              click a button (fails when disabled)"},
    {"type", 2, 2, step_type, "type ID TEXT          replace an edit's text"},
    {"select", 2, 2, step_select, "select ID TEXT        choose a combo box entry"},
    {"dropdown", 1, 1, step_dropdown, "dropdown ID           drop down a combo box's list"},
    {"closeup", 1, 1, step_closeup, "closeup ID            close a combo box's list"},
    {"press", 1, 2, step_press,
     "press KEY [ID]        press a key (in control ID, or where the focus is)"},
    {"sysmenu", 1, 1, step_sysmenu,
     "sysmenu CMD           choose a system-menu item by command id (number or name)"},
    {"close", 0, 0, step_close, "close                 the close box"},
    {"gone", 0, 1, step_gone, "gone [MS]             expect the window gone and the process ended"},
    {"expect-text", 2, 2, step_expect_text, "expect-text ID TEXT", kExpect},
    {"expect-label", 1, 1, step_expect_label,
     "expect-label TEXT     some control of the window shows TEXT", kExpect},
    {"expect-enabled", 1, 1, step_expect_enabled, "expect-enabled ID", kExpect},
    {"expect-disabled", 1, 1, step_expect_disabled, "expect-disabled ID", kExpect},
    {"expect-focus", 1, 1, step_expect_focus, "expect-focus ID", kExpect},
    {"expect-progress", 2, 4, step_expect_progress, "expect-progress ID POS [LOW HIGH]", kExpect},
    {"expect-selection", 2, 2, step_expect_selection, "expect-selection ID TEXT", kExpect},
    {"expect-entries", 1, kAny, step_expect_entries,
     "expect-entries ID [TEXT...]  the whole list, in order", kExpect},
    {"expect-entry", 2, 2, step_expect_entry, "expect-entry ID TEXT  the list holds TEXT", kExpect},
    {"expect-file", 1, 1, step_expect_file,
     "expect-file PATH      a file exists (made by a test's helper, ...)", kExpect},
    {"print", 1, 1, step_print, "print ID              print what the control shows"},
    {"print-controls", 0, 0, step_print_controls,
     "print-controls        print every control of the window"},
    {"print-focus", 0, 0, step_print_focus,
     "print-focus           print which control has the focus"},
    {"screenshot", 1, 1, step_screenshot, "screenshot FILE       save the window as a BMP file"},
    {"settle", 0, 1, step_settle,
     "settle [MS]           wait until the program has taken the input posted so far"},
    {"wait", 1, 1, step_wait, "wait MS               pause (not for waiting on the program)"},
    {"timeout", 1, 1, step_timeout, "timeout MS            default time-out of the waiting steps"},
    {"expect-timeout", 1, 1, step_expect_timeout,
     "expect-timeout MS     default time-out of the expect- steps"},
    {"define", 2, 2, step_define, "define NAME ID        name a control id"},
    {"ids", 1, 1, step_ids,
     "ids FILE              name control ids from #define lines of a header"},
};

} // namespace

bool step_wait(Session&, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!parse_duration(args[0], ms, why))
        return false;
    Sleep(ms);
    return true;
}

bool step_timeout(Session& session, const Args& args, std::string& why) {
    return parse_duration(args[0], session.wait_ms, why);
}

bool step_define(Session& session, const Args& args, std::string& why) {
    long id = 0;
    if (!parse_number(args[1], id)) {
        why = "bad id " + args[1];
        return false;
    }
    session.names[args[0]] = id;
    return true;
}

bool step_ids(Session& session, const Args& args, std::string& why) {
    std::ifstream header(windows_path(args[0]));
    if (!header) {
        why = "cannot read " + args[0];
        return false;
    }
    std::string line;
    while (std::getline(header, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        long id = 0;
        if (words >> directive >> name >> value && directive == "#define" &&
            parse_number(value, id))
            session.names[name] = id;
    }
    return true;
}

namespace {

const StepKind* find_kind(const std::string& name) {
    for (const StepKind& kind : kSteps)
        if (name == kind.name)
            return &kind;
    return nullptr;
}

std::string ms_text(ULONGLONG ms) {
    return std::to_string(ms) + " ms";
}

// Lets the program take what was posted before, then checks until the expectation holds.
// A failure tells what was seen last and since when.
bool run_expectation(Session& session, const StepKind& kind, const Args& args, DWORD ms,
                     std::string& why) {
    const ULONGLONG start = GetTickCount64();
    bool settled = true;
    if (session.main && IsWindow(session.main))
        settled = settle(session.main, ms) != Settled::TimedOut;
    std::string seen;
    ULONGLONG seen_since = GetTickCount64();
    for (;;) {
        std::string reason;
        if (kind.run(session, args, reason))
            return true;
        const ULONGLONG now = GetTickCount64();
        if (reason != seen) {
            seen = reason;
            seen_since = now;
        }
        if (now - start >= ms) {
            why = seen + " (so for the last " + ms_text(now - seen_since) + " of " +
                  ms_text(now - start) + ")";
            if (!settled)
                why += "; the program had not taken the earlier input by then";
            return false;
        }
        Sleep(20);
    }
}

} // namespace

bool step_settle(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!wait_argument(session, args, 0, ms, why))
        return false;
    if (!session.main || !IsWindow(session.main)) {
        why = "no program window (wait for it with `window` first)";
        return false;
    }
    switch (settle(session.main, ms)) {
    case Settled::Yes:
        return true;
    case Settled::NoCarrier:
        why = "the window has no edit control to carry the marker";
        return false;
    case Settled::TimedOut:
        break;
    }
    why = "the program did not take the posted input within " + ms_text(ms);
    return false;
}

bool step_expect_timeout(Session& session, const Args& args, std::string& why) {
    return parse_duration(args[0], session.expect_ms, why);
}

bool run_step(Session& session, const Step& step, std::string& why) {
    // `within MS STEP ARGS...`: one expectation with a time-out of its own.
    std::string name = step.name;
    Args args = step.args;
    DWORD expect_ms = session.expect_ms;
    if (name == "within") {
        if (args.size() < 2) {
            why = "usage: within MS EXPECT-STEP ARGS...";
            return false;
        }
        if (!parse_duration(args[0], expect_ms, why))
            return false;
        name = args[1];
        args.erase(args.begin(), args.begin() + 2);
        const StepKind* kind = find_kind(name);
        if (!kind || !kind->expectation) {
            why = "within takes an expect- step, not " + name;
            return false;
        }
    }
    const StepKind* kind = find_kind(name);
    if (!kind) {
        why = "unknown step " + name;
        return false;
    }
    if (args.size() < kind->min_args || args.size() > kind->max_args) {
        why = std::string("usage: ") + kind->usage;
        return false;
    }
    if (kind->expectation)
        return run_expectation(session, *kind, args, expect_ms, why);
    return kind->run(session, args, why);
}

std::string step_usage() {
    std::string usage;
    for (const StepKind& kind : kSteps)
        usage += std::string("  ") + kind.usage + "\n";
    return usage + "  within MS EXPECT-STEP ARGS...  one expect- step with its own time-out\n"
                   "Every expect- step waits until it holds (expect-timeout, 5000 ms at start).\n";
}
