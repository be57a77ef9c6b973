#include "port_holder.h"

#include "link/printer_link.h"

#include <cstdio>
#include <string>

PortHolder::PortHolder(int com) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE holderIn = nullptr;
    HANDLE holderOut = nullptr;
    if (!::CreatePipe(&holderIn, &m_toHolder, &inherit, 0))
        return;
    if (!::CreatePipe(&m_fromHolder, &holderOut, &inherit, 0)) {
        ::CloseHandle(holderIn);
        return;
    }
    ::SetHandleInformation(m_toHolder, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(m_fromHolder, HANDLE_FLAG_INHERIT, 0);

    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string command = "\"";
    command.append(exe).append("\" --hold-port ").append(std::to_string(com));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = holderIn;
    startup.hStdOutput = holderOut;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!::CreateProcessA(exe, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &m_process))
        m_process = PROCESS_INFORMATION{};
    ::CloseHandle(holderIn);
    ::CloseHandle(holderOut);
}

PortHolder::~PortHolder() {
    if (!Release() && m_process.hProcess != nullptr)
        ::TerminateProcess(m_process.hProcess, 1);
    for (HANDLE handle : {m_process.hProcess, m_process.hThread, m_fromHolder})
        if (handle != nullptr)
            ::CloseHandle(handle);
}

bool PortHolder::WaitHeld() {
    if (m_process.hProcess == nullptr)
        return false;
    std::string said;
    char byte = 0;
    DWORD read = 0;
    while (said.find("HELD") == std::string::npos &&
           ::ReadFile(m_fromHolder, &byte, 1, &read, nullptr) && read == 1)
        said += byte;
    return said.find("HELD") != std::string::npos;
}

bool PortHolder::Release() {
    if (m_toHolder != nullptr) {
        ::CloseHandle(m_toHolder);
        m_toHolder = nullptr;
    }
    return m_process.hProcess == nullptr ||
           ::WaitForSingleObject(m_process.hProcess, 10000) == WAIT_OBJECT_0;
}

int PortHolder::Run(int com) {
    if (g_link.OpenPort(com, 115200, 0) != 0) {
        std::fprintf(stderr, "holder: cannot open COM%d\n", com);
        return 2;
    }
    std::printf("HELD\n");
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    g_link.ClosePort();
    return 0;
}
