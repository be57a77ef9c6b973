#include "nv/ports_command.h"

#include "nv/printer_job.h"
#include "port/port_list.h"

#include <nlohmann/json.hpp>

namespace quillet::nv {

int RunPortsCommand(const std::string& program, bool json, std::ostream& out, std::ostream& err) {
    const port::PortListing listing = port::ListPorts();
    for (const port::ListedPort& p : listing.ports) {
        if (json) {
            nlohmann::json object = {{"port", p.port}, {"kind", p.kind}};
            if (!p.detail.empty())
                object["detail"] = p.detail;
            if (!p.state.empty())
                object["state"] = p.state;
            if (p.isDefault)
                object["default"] = true;
            // Names come from the system: bytes that are not UTF-8 must not end the list.
            out << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
            continue;
        }
        std::string line = p.port + "  " + p.kind;
        if (!p.detail.empty())
            line += ", " + p.detail;
        if (!p.state.empty())
            line += ", " + p.state;
        if (p.isDefault)
            line += ", the default";
        out << line << "\n";
    }
    if (!listing.note.empty())
        err << program << ": " << listing.note << "; its queues are not listed\n";
    if (listing.ports.empty() && listing.note.empty())
        err << program << ": no port found\n";
    return kExitDone;
}

} // namespace quillet::nv
