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

} // namespace

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8(argv[i]));
    DWORD mode = 0;
    const bool terminal = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    return quillet::nv::RunNvCommand("QuilletNv", args, std::cout, std::cerr, terminal);
}
