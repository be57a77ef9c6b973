// QuilletNv.exe: the printer jobs from a script, on Windows.
#include "nv/nv_command.h"

#include <windows.h>

#include <io.h>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

// The console as the program found it, put back however it ends (Ctrl-C included): the code
// page belongs to the console window, not to this program.
UINT g_outputCodePage = 0;
HANDLE g_errorConsole = INVALID_HANDLE_VALUE;
DWORD g_errorMode = 0;
bool g_modeChanged = false;

void RestoreConsole() {
    if (g_outputCodePage != 0)
        SetConsoleOutputCP(g_outputCodePage);
    if (g_modeChanged)
        SetConsoleMode(g_errorConsole, g_errorMode);
}

BOOL WINAPI OnConsoleEvent(DWORD) {
    RestoreConsole();
    return FALSE; // and let the default handler end the program
}

// Escapes for the progress line where the console takes them, else a plain line.
quillet::nv::ProgressStyle PrepareConsole() {
    using quillet::nv::ProgressStyle;
    g_outputCodePage = GetConsoleOutputCP();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    SetConsoleOutputCP(CP_UTF8);
    g_errorConsole = GetStdHandle(STD_ERROR_HANDLE);
    if (!GetConsoleMode(g_errorConsole, &g_errorMode))
        return ProgressStyle::None;
    if (g_errorMode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)
        return ProgressStyle::Escapes;
    if (!SetConsoleMode(g_errorConsole, g_errorMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return ProgressStyle::Plain;
    g_modeChanged = true;
    return ProgressStyle::Escapes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const quillet::nv::ProgressStyle style = PrepareConsole();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8(argv[i]));
    const int status = quillet::nv::RunNvCommand("QuilletNv", args, std::cout, std::cerr, style);
    std::cout.flush();
    std::cerr.flush();
    RestoreConsole();
    return status;
}
