#include "steps.h"

#include "dialogs.h"
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
};

constexpr size_t kAny = static_cast<size_t>(-1);

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
    {"expect-text", 2, 2, step_expect_text, "expect-text ID TEXT"},
    {"expect-label", 1, 1, step_expect_label,
     "expect-label TEXT     some control of the window shows TEXT"},
    {"expect-enabled", 1, 1, step_expect_enabled, "expect-enabled ID"},
    {"expect-disabled", 1, 1, step_expect_disabled, "expect-disabled ID"},
    {"expect-focus", 1, 1, step_expect_focus, "expect-focus ID"},
    {"expect-progress", 2, 4, step_expect_progress, "expect-progress ID POS [LOW HIGH]"},
    {"expect-selection", 2, 2, step_expect_selection, "expect-selection ID TEXT"},
    {"expect-entries", 1, kAny, step_expect_entries,
     "expect-entries ID [TEXT...]  the whole list, in order"},
    {"expect-entry", 2, 2, step_expect_entry, "expect-entry ID TEXT  the list holds TEXT"},
    {"print", 1, 1, step_print, "print ID              print what the control shows"},
    {"print-controls", 0, 0, step_print_controls,
     "print-controls        print every control of the window"},
    {"print-focus", 0, 0, step_print_focus,
     "print-focus           print which control has the focus"},
    {"screenshot", 1, 1, step_screenshot, "screenshot FILE       save the window as a BMP file"},
    {"wait", 1, 1, step_wait, "wait MS"},
    {"timeout", 1, 1, step_timeout, "timeout MS            default time-out of the waiting steps"},
    {"define", 2, 2, step_define, "define NAME ID        name a control id"},
    {"ids", 1, 1, step_ids,
     "ids FILE              name control ids from #define lines of a header"},
};

} // namespace

bool step_wait(Session&, const Args& args, std::string& why) {
    long ms = 0;
    if (!parse_number(args[0], ms) || ms < 0) {
        why = "bad duration " + args[0];
        return false;
    }
    Sleep(static_cast<DWORD>(ms));
    return true;
}

bool step_timeout(Session& session, const Args& args, std::string& why) {
    long ms = 0;
    if (!parse_number(args[0], ms) || ms < 0) {
        why = "bad duration " + args[0];
        return false;
    }
    session.wait_ms = static_cast<DWORD>(ms);
    return true;
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

bool run_step(Session& session, const Step& step, std::string& why) {
    for (const StepKind& kind : kSteps) {
        if (step.name != kind.name)
            continue;
        if (step.args.size() < kind.min_args || step.args.size() > kind.max_args) {
            why = std::string("usage: ") + kind.usage;
            return false;
        }
        return kind.run(session, step.args, why);
    }
    why = "unknown step " + step.name;
    return false;
}

std::string step_usage() {
    std::string usage;
    for (const StepKind& kind : kSteps)
        usage += std::string("  ") + kind.usage + "\n";
    return usage;
}
