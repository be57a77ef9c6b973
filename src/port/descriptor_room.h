// Open descriptors: a job on many printers holds one per printer, so the limit decides how many
// run at once.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::port {

// Raises the soft limit on open descriptors to the hard one. False, with the reason, when it
// cannot (nothing to do on Windows).
bool RaiseDescriptorLimit(std::string& why);

// How many ports may be open at once: what the limit leaves beside the descriptors in use now,
// less a reserve for the program's own (files read, the resolver's queries). At least 1.
std::size_t PortRoom();

} // namespace quillet::port
