# Cross build for 64-bit ARM Linux (a Raspberry Pi beside the till) with Debian's cross compiler.
# Libraries come from Debian's arm64 packages installed through multiarch (/usr/lib/aarch64-linux-gnu).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Never an amd64 library by mistake: only the arm64 multiarch folders and the cross sysroot.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# ctest runs the arm64 programs under qemu-user with the cross sysroot's loader. That loader
# would take the C library of the multiarch libc6:arm64 (a later build, there for libpng) before
# its own, and the two disagree inside: the first thread a program starts spins for ever.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu -E
                                  LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
