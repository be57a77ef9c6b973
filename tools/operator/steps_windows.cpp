// Steps about whole windows: finding them, their dialogs, closing, screenshots.
#include "step_support.h"

#include "controls.h"
#include "dialogs.h"
#include "screenshot.h"
#include "settle.h"
#include "window_find.h"

#include <cstdio>

namespace {

bool need_main(const Session& session, std::string& why) {
    if (session.main)
        return true;
    why = "no program window yet (wait for it with `window` first)";
    return false;
}

// Waits for a dialog of the program that satisfies `fits`.
HWND wait_dialog(const Session& session, DWORD ms, const std::function<bool(HWND)>& fits) {
    HWND found = nullptr;
    wait_for(ms, [&] {
        for (HWND dialog : dialogs_of_process(session.pid, session.main))
            if (fits(dialog)) {
                found = dialog;
                return true;
            }
        return false;
    });
    return found;
}

// Clicks `button_id` of `dialog` and waits until the dialog has closed.
bool press_and_wait_closed(Session& session, HWND dialog, int button_id, std::string& why) {
    HWND button = GetDlgItem(dialog, button_id);
    if (!button || !IsWindowEnabled(button)) {
        why = "the box " + quoted(caption_of(dialog)) + " has no usable button " +
              std::to_string(button_id);
        return false;
    }
    if (!post_click(button)) {
        why = "cannot click the button";
        return false;
    }
    // A box that answers instead (a file that does not exist, ...) fails the step at once.
    bool answered = false;
    if (!wait_for(kRespondMs,
                  [&] {
                      for (HWND other : dialogs_of_process(session.pid, session.main))
                          if (other != dialog && GetWindow(other, GW_OWNER) == dialog)
                              return answered = true;
                      return !IsWindow(dialog);
                  }) ||
        answered) {
        why = "the box " + quoted(caption_of(dialog)) + " did not close";
        return false;
    }
    session.current = session.main;
    return true;
}

} // namespace

bool step_window(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!wait_argument(session, args, 1, ms, why))
        return false;
    HWND window = nullptr;
    if (!wait_for(ms, [&] { return (window = find_top_level(args[0])) != nullptr; })) {
        why = "no window " + quoted(args[0]) + " within " + std::to_string(ms) + " ms";
        return false;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (session.process)
        CloseHandle(session.process);
    session.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    session.main = session.current = window;
    session.pid = pid;
    return true;
}

bool step_dialog(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!need_main(session, why) || !wait_argument(session, args, 1, ms, why))
        return false;
    HWND dialog = wait_dialog(session, ms, [&](HWND d) { return caption_of(d) == args[0]; });
    if (!dialog) {
        why = "no box " + quoted(args[0]) + " within " + std::to_string(ms) +
              " ms; open: " + describe_dialogs(session);
        return false;
    }
    session.current = dialog;
    return true;
}

bool step_dismiss(Session& session, const Args& args, std::string& why) {
    if (!need_main(session, why))
        return false;
    if (session.current == session.main) {
        why = "no box to dismiss (open one with `dialog`)";
        return false;
    }
    long id = IDOK;
    if (!args.empty() && !resolve_id(session, args[0], id, why))
        return false;
    return press_and_wait_closed(session, session.current, static_cast<int>(id), why);
}

bool step_message(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!need_main(session, why) || !wait_argument(session, args, 2, ms, why))
        return false;
    HWND box = wait_dialog(session, ms, [&](HWND d) {
        std::string text;
        return message_box_text(d, text) && text == args[1] && caption_of(d) == args[0];
    });
    // For timing checks on the -v output: when the box was seen.
    if (box && session.verbose)
        std::printf("  box seen at %llu ms\n", GetTickCount64() - session.start);
    if (!box) {
        why = "no message box titled " + quoted(args[0]) + " saying " + quoted(args[1]) +
              " within " + std::to_string(ms) + " ms; open: " + describe_dialogs(session);
        return false;
    }
    return press_and_wait_closed(session, box, IDOK, why);
}

bool step_no_dialog(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!need_main(session, why) || !parse_duration(args[0], ms, why))
        return false;
    // As the expect- steps do: the earlier input handled first, or a box it opens counts too
    // late. A handler still busy after the expectation time-out is a failure, not a pass.
    if (IsWindow(session.main) && settle(session.main, session.expect_ms) == Settled::TimedOut) {
        why = "the program did not take the posted input within " +
              std::to_string(session.expect_ms) + " ms";
        return false;
    }
    if (wait_for(ms, [&] { return !dialogs_of_process(session.pid, session.main).empty(); })) {
        why = "a box appeared: " + describe_dialogs(session);
        return false;
    }
    return true;
}

namespace {

// The program's file dialog, waited for as step argument `msArg` (or the default) says.
HWND wait_file_dialog(Session& session, const Args& args, size_t msArg, std::string& why) {
    DWORD ms = 0;
    if (!need_main(session, why) || !wait_argument(session, args, msArg, ms, why))
        return nullptr;
    HWND dialog = wait_dialog(session, ms, [](HWND d) { return file_name_field(d) != nullptr; });
    if (!dialog)
        why = "no file dialog within " + std::to_string(ms) +
              " ms; open: " + describe_dialogs(session);
    return dialog;
}

} // namespace

bool step_open_file(Session& session, const Args& args, std::string& why) {
    HWND dialog = wait_file_dialog(session, args, 1, why);
    if (!dialog)
        return false;
    if (!write_text(file_name_field(dialog), windows_path(args[0]))) {
        why = "cannot type into the file name field";
        return false;
    }
    if (!press_and_wait_closed(session, dialog, IDOK, why)) {
        why += "; open: " + describe_dialogs(session);
        return false;
    }
    return true;
}

bool step_cancel_file(Session& session, const Args& args, std::string& why) {
    HWND dialog = wait_file_dialog(session, args, 0, why);
    return dialog && press_and_wait_closed(session, dialog, IDCANCEL, why);
}

bool step_sysmenu(Session& session, const Args& args, std::string& why) {
    long command = 0;
    if (!need_main(session, why) || !resolve_id(session, args[0], command, why))
        return false;
    if (!IsWindowEnabled(session.current)) {
        why = "the window is disabled; open: " + describe_dialogs(session);
        return false;
    }
    if (!post_syscommand(session.current, static_cast<UINT>(command))) {
        why = "the window is gone";
        return false;
    }
    return true;
}

bool step_close(Session& session, const Args&, std::string& why) {
    if (!need_main(session, why))
        return false;
    if (!post_syscommand(session.current, SC_CLOSE)) {
        why = "the window is gone";
        return false;
    }
    return true;
}

bool step_gone(Session& session, const Args& args, std::string& why) {
    DWORD ms = 0;
    if (!need_main(session, why) || !wait_argument(session, args, 0, ms, why))
        return false;
    ULONGLONG start = GetTickCount64();
    if (!wait_for(ms, [&] { return !IsWindow(session.main); })) {
        why = "the window is still there after " + std::to_string(ms) +
              " ms; open: " + describe_dialogs(session);
        return false;
    }
    if (session.process) {
        ULONGLONG spent = GetTickCount64() - start;
        DWORD left = spent >= ms ? 0 : static_cast<DWORD>(ms - spent);
        if (WaitForSingleObject(session.process, left) != WAIT_OBJECT_0) {
            why =
                "the window is gone but the process still runs after " + std::to_string(ms) + " ms";
            return false;
        }
    }
    session.main = session.current = nullptr;
    return true;
}

bool step_screenshot(Session& session, const Args& args, std::string& why) {
    if (!need_main(session, why))
        return false;
    // What the earlier steps posted is taken, and what they changed is painted, before the
    // picture is taken.
    if (settle(session.main, session.wait_ms) == Settled::TimedOut) {
        why = "the program did not take the posted input within " +
              std::to_string(session.wait_ms) + " ms";
        return false;
    }
    RedrawWindow(session.current, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return save_screenshot(session.current, windows_path(args[0]), why);
}

bool step_expect_file(Session&, const Args& args, std::string& why) {
    const std::string path = windows_path(args[0]);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    why = "no file " + args[0];
    return false;
}
