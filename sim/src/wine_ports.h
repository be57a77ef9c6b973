// Makes the pty a COM port of a Wine prefix, and takes it away again.
#pragma once

#include <string>

namespace sim {

struct WinePort {
    std::string prefix; // WINEPREFIX
    int com = 0;        // COMn
    std::string device; // the pty slave
};

// Both restart the prefix's wineserver so that Wine reads its ports again.
bool wine_register(const WinePort& port, std::string& error);
void wine_unregister(const WinePort& port);

} // namespace sim
