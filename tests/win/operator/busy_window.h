// A window on a thread of its own that changes itself the way the program's handlers do: the
// operator reads and drives it from the test's thread, as it does another process's window.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class BusyWindow {
public:
    static constexpr int kEditId = 100;
    static constexpr int kButtonId = 101;
    static constexpr const char* kShort = "(1) Cut = Partial";
    static constexpr const char* kLong = "(2) Feeding :  = 7 mm";

    // `flip`: between two messages the thread swaps the edit's text between kShort and kLong.
    // A click on the button sleeps `clickMs`, then sets the edit's text to "clicked".
    BusyWindow(bool flip, DWORD clickMs);
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;
    ~BusyWindow();

    HWND Window() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }

private:
    void Run(bool flip, DWORD clickMs);

    HWND m_window = nullptr; // written by the window's thread before `m_ready`
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stop{false}; // written by the test's thread
    std::thread m_thread;
};
