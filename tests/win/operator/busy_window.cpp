#include "busy_window.h"

namespace {

struct ClickDelay {
    DWORD ms;
};

LRESULT CALLBACK BusyProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == BusyWindow::kButtonId &&
        HIWORD(wparam) == BN_CLICKED) {
        auto* delay = reinterpret_cast<ClickDelay*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        Sleep(delay->ms);
        SetDlgItemTextA(window, BusyWindow::kEditId, "clicked");
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

BusyWindow::BusyWindow(bool flip, DWORD clickMs)
    : m_thread([this, flip, clickMs] { Run(flip, clickMs); }) {
    while (!m_ready)
        Sleep(1);
}

BusyWindow::~BusyWindow() {
    m_stop = true;
    if (m_window)
        PostMessageA(m_window, WM_NULL, 0, 0);
    m_thread.join();
}

void BusyWindow::Run(bool flip, DWORD clickMs) {
    WNDCLASSA kind{};
    kind.lpfnWndProc = BusyProc;
    kind.hInstance = GetModuleHandleA(nullptr);
    kind.lpszClassName = "QuilletOperatorBusyWindow";
    RegisterClassA(&kind); // a second window of the run finds the class registered
    ClickDelay delay{clickMs};
    m_window = CreateWindowA(kind.lpszClassName, "busy", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             300, 120, nullptr, nullptr, kind.hInstance, nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&delay));
    CreateWindowA("EDIT", kShort, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 280, 20, m_window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), kind.hInstance, nullptr);
    CreateWindowA("BUTTON", "Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 30, 80, 24, m_window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), kind.hInstance,
                  nullptr);
    m_ready = true;
    bool longText = false;
    while (!m_stop) {
        MSG msg;
        if (flip) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            longText = !longText;
            SetDlgItemTextA(m_window, kEditId, longText ? kLong : kShort);
        } else if (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(m_window);
}
