// Answers the modal windows (message boxes, the About box) that a handler opens on the test's
// own thread: a helper thread finds each one, records what it shows and presses OK, so the
// handler's modal loop returns and the test goes on.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct SeenDialog {
    std::string title;
    std::vector<std::string> texts; // texts of its child windows, in their order
    HWND owner = nullptr;
    bool ownerWasEnabled = true; // whether its owner still took input while it was shown
    int probed = 0;              // what the watcher's probe gave while it was shown

    bool Shows(const std::string& text) const;
};

class DialogWatcher {
public:
    // Watches the windows of the calling thread, except `mainDialog`. `probe`, if given, is
    // called on the watcher's thread for each window seen, before it is answered.
    explicit DialogWatcher(HWND mainDialog, std::function<int()> probe = nullptr);
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    ~DialogWatcher();

    // Ends the watch; returns every modal window seen, in order.
    std::vector<SeenDialog> Stop();

private:
    void Run();

    DWORD m_threadId;
    HWND m_mainDialog;
    std::function<int()> m_probe;
    std::atomic<bool> m_stop{false};
    std::vector<SeenDialog> m_seen;
    std::thread m_thread;
};
