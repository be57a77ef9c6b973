// Connection panel tests: run by run_connection_panel_tests.sh, which registers the ports
// COM1, COM3 and COM10 and a pty peer as COM<--com> before this program starts.
//   connection_panel_tests --com N [gtest options]
//   connection_panel_tests --hold-port N   (the second process of the held-port test)
#include "connection_panel_env.h"
#include "port_holder.h"
#include "../wine_serial_ports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int g_panelCom = 0;

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hold-port")
        return PortHolder::Run(std::atoi(argv[2]));
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--com")
            g_panelCom = std::atoi(argv[i + 1]);
    if (g_panelCom != 0 && !WaitForSerialPort(g_panelCom)) {
        std::fprintf(stderr, "COM%d is not mapped by Wine\n", g_panelCom);
        return 1;
    }
    return RUN_ALL_TESTS();
}
