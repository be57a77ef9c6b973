// QuilletLogo.exe: the converter on Windows. A picture dropped onto it in Explorer arrives as its
// one argument in a console of its own, which would vanish with the result: it waits for a key.
// Run from a prompt, a script or a terminal, it never waits.
#include "logo/interrupt_hold.h"
#include "logo/logo_command.h"

#include <windows.h>

#include <conio.h>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// Only this process on its console, and both standard input and output that console: Explorer
// started us. A redirected input or output means a script or terminal that needs no key. (Under
// Wine a Unix terminal with nothing redirected looks the same, and waits.)
bool OwnConsole() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 && IsConsole(STD_INPUT_HANDLE) &&
           IsConsole(STD_OUTPUT_HANDLE);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    // Ctrl-C while converting: nothing is written, and the run ends as interrupted.
    quillet::logo::InterruptHold::NoteInterrupts();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    const int status = quillet::logo::RunLogoCommand("QuilletLogo", args, std::cout, std::cerr);
    if (OwnConsole()) {
        std::cout << "Press any key to close this window." << std::endl;
        _getch();
    }
    return status;
}
