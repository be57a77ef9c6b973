// Test runner. Options before GoogleTest's own:
//   --com N --log FILE --raw FILE   the pty peer (FILEs as Unix paths)
//   --hold-port N                   child mode: keep COMN open until told to let go
#include "link_test_env.h"
#include "printer_link.h"
#include "../wine_serial_ports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Child mode for the "port held by another process" case.
int HoldPort(int com) {
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, "Local\\QuilletLinkTest.held");
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "Local\\QuilletLinkTest.release");
    if (!held || !release || g_link.OpenPort(com, 115200, 0) != 0)
        return 2;
    SetEvent(held);
    WaitForSingleObject(release, 30000);
    return g_link.ClosePort() == 0 ? 0 : 3;
}
} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--hold-port")
            return HoldPort(std::atoi(value.c_str()));
        if (option == "--com")
            Peer().com = std::atoi(value.c_str());
        else if (option == "--log")
            Peer().logPath = WindowsPathOf(value);
        else if (option == "--raw")
            Peer().rawPath = WindowsPathOf(value);
    }
    if (Peer().com != 0 && !WaitForSerialPort(Peer().com)) {
        std::fprintf(stderr, "COM%d is not mapped by Wine\n", Peer().com);
        return 1;
    }
    return RUN_ALL_TESTS();
}
