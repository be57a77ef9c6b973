// quillet-logo: the converter on Linux.
#include "logo/logo_command.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quillet::logo::RunLogoCommand("quillet-logo", args, std::cout, std::cerr);
}
