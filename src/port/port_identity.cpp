#include "port/port_identity.h"

#include <cctype>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillet::port {

std::vector<std::string> PortIdentity(const PortAddress& address) {
    std::vector<std::string> keys;
    switch (address.kind) {
    case PortKind::Tcp:
        for (const std::string& ip : address.addresses)
            keys.push_back("tcp " + ip + " " + std::to_string(address.tcpPort));
        break;
    case PortKind::WindowsCom: {
        std::string name;
        for (const char c : address.path)
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        keys.push_back(name);
        break;
    }
    case PortKind::WindowsUsb:
        keys.push_back("usb");
        break;
    // Queue and printer names are matched without regard to case, as the scheduler and the
    // spooler do.
    case PortKind::CupsQueue:
    case PortKind::WindowsPrinter: {
        std::string name = address.kind == PortKind::CupsQueue ? "cups " : "printer ";
        for (const char c : address.path)
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        keys.push_back(name);
        break;
    }
    case PortKind::Path: {
#ifndef _WIN32
        struct stat st {};
        if (::stat(address.path.c_str(), &st) != 0)
            break;
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            keys.push_back((S_ISCHR(st.st_mode) ? "char " : "block ") + std::to_string(st.st_rdev));
        else
            keys.push_back("file " + std::to_string(st.st_dev) + " " + std::to_string(st.st_ino));
#endif
        break;
    }
    }
    return keys;
}

} // namespace quillet::port
