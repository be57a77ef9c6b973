// Who holds a device, for a "busy" refusal: the processes with a lock on it, else those that have
// it open, as far as /proc shows them.
#pragma once

#include <string>

namespace quillet::port {

// "quillet-nv (pid 1234)", several joined with ", "; empty when the system cannot tell.
std::string DeviceHolders(const std::string& path);

} // namespace quillet::port
