// On Linux: serial lines, USB printer-class devices and the CUPS scheduler's queues.
#include "port/cups_client.h"
#include "port/port_list.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quillet::port {
namespace {

namespace fs = std::filesystem;

// Names in `dir` starting with `prefix`, sorted by their number (ttyS2 before ttyS10).
std::vector<std::string> Matching(const fs::path& dir, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

// Most ttyS devices are placeholders: the serial core says "0" (no UART) for them.
bool IsRealUart(const std::string& name) {
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int value = 0;
    return type >> value && value != 0;
}

void AddDevices(std::vector<ListedPort>& ports) {
    for (const std::string& name : Matching("/dev", "ttyS"))
        if (IsRealUart(name))
            ports.push_back({"/dev/" + name, "serial", "", "", false});
    for (const char* prefix : {"ttyUSB", "ttyACM"})
        for (const std::string& name : Matching("/dev", prefix))
            ports.push_back({"/dev/" + name, "serial (USB)", "", "", false});
    const fs::path byId = "/dev/serial/by-id";
    for (const std::string& name : Matching(byId, "")) {
        std::error_code error;
        const fs::path target = fs::canonical(byId / name, error);
        ports.push_back(
            {(byId / name).string(), "serial (USB)", error ? "" : target.string(), "", false});
    }
    for (const std::string& name : Matching("/dev/usb", "lp"))
        ports.push_back({"/dev/usb/" + name, "usb printer", "", "", false});
}

} // namespace

PortListing ListPorts() {
    PortListing listing;
    AddDevices(listing.ports);
    const CupsListReply queues = ListCupsQueues();
    if (!queues.reached) {
        listing.note = queues.why;
        return listing;
    }
    for (const CupsQueue& queue : queues.queues) {
        std::string state = QueueStateText(queue);
        if (!queue.message.empty())
            state += " (" + queue.message + ")";
        listing.ports.push_back(
            {"cups:" + queue.name, "cups queue", queue.deviceUri, state, queue.isDefault});
    }
    return listing;
}

} // namespace quillet::port
