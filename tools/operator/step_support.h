// Helpers shared by the step implementations.
#pragma once

#include "session.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Args = std::vector<std::string>;
using StepFn = bool (*)(Session&, const Args&, std::string&);

bool parse_number(const std::string& text, long& value);
// A control id: a number (decimal or 0x hex) or a name from `define` / `ids`.
bool resolve_id(const Session& session, const std::string& text, long& id, std::string& why);
// A duration in milliseconds: a number from 0 up.
bool parse_duration(const std::string& text, DWORD& ms, std::string& why);
// The optional time-out argument at `index`, or the session's default.
bool wait_argument(const Session& session, const Args& args, size_t index, DWORD& ms,
                   std::string& why);

// The control with this id in the current window.
bool find_control(const Session& session, const std::string& id_text, HWND& control,
                  std::string& why);
// Same, and a person could use it now: visible, enabled, in an enabled window.
bool usable_control(const Session& session, const std::string& id_text, HWND& control,
                    std::string& why);

// Polls `done` every 20 ms until it holds or `ms` have passed; true when it held.
bool wait_for(DWORD ms, const std::function<bool()>& done);

// A text in double quotes with \r \n \t \" \\ escaped, for messages.
std::string quoted(const std::string& text);
// Each text quoted, joined by `separator`.
std::string quoted_list(const std::vector<std::string>& texts, const char* separator);

// Titles and texts of the dialogs the program shows besides the main window.
std::string describe_dialogs(const Session& session);

// Step implementations, by group.
bool step_window(Session&, const Args&, std::string&);
bool step_dialog(Session&, const Args&, std::string&);
bool step_dismiss(Session&, const Args&, std::string&);
bool step_message(Session&, const Args&, std::string&);
bool step_no_dialog(Session&, const Args&, std::string&);
bool step_open_file(Session&, const Args&, std::string&);
bool step_cancel_file(Session&, const Args&, std::string&);
bool step_sysmenu(Session&, const Args&, std::string&);
bool step_close(Session&, const Args&, std::string&);
bool step_gone(Session&, const Args&, std::string&);
bool step_screenshot(Session&, const Args&, std::string&);

bool step_click(Session&, const Args&, std::string&);
bool step_type(Session&, const Args&, std::string&);
bool step_select(Session&, const Args&, std::string&);
bool step_dropdown(Session&, const Args&, std::string&);
bool step_closeup(Session&, const Args&, std::string&);
bool step_press(Session&, const Args&, std::string&);
bool step_expect_text(Session&, const Args&, std::string&);
bool step_expect_label(Session&, const Args&, std::string&);
bool step_expect_enabled(Session&, const Args&, std::string&);
bool step_expect_disabled(Session&, const Args&, std::string&);
bool step_expect_focus(Session&, const Args&, std::string&);
bool step_expect_progress(Session&, const Args&, std::string&);
bool step_expect_selection(Session&, const Args&, std::string&);
bool step_expect_entries(Session&, const Args&, std::string&);
bool step_expect_entry(Session&, const Args&, std::string&);
bool step_print(Session&, const Args&, std::string&);
bool step_print_controls(Session&, const Args&, std::string&);
bool step_print_focus(Session&, const Args&, std::string&);

bool step_expect_file(Session&, const Args&, std::string&);

bool step_settle(Session&, const Args&, std::string&);
bool step_wait(Session&, const Args&, std::string&);
bool step_expect_timeout(Session&, const Args&, std::string&);
bool step_timeout(Session&, const Args&, std::string&);
bool step_define(Session&, const Args&, std::string&);
bool step_ids(Session&, const Args&, std::string&);
