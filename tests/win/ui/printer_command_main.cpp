// Test runner. Options before GoogleTest's own:
//   --com N --raw FILE   the virtual printer (FILE as a Unix path)
//   --full-dir DIR       a folder whose NvSave.BIN leads to a full disk (Unix path)
#include "printer_peer.h"
#include "../wine_serial_ports.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--com")
            Peer().com = std::atoi(value.c_str());
        else if (option == "--raw")
            Peer().rawPath = WindowsPathOf(value);
        else if (option == "--full-dir")
            Peer().fullDir = WindowsPathOf(value);
    }
    if (Peer().com != 0 && !WaitForSerialPort(Peer().com)) {
        std::fprintf(stderr, "COM%d is not mapped by Wine\n", Peer().com);
        return 1;
    }
    return RUN_ALL_TESTS();
}
