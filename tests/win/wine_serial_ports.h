// Wine maps its registered serial ports (dosdevices links, the SERIALCOMM list) in a service
// that starts with the wineserver, alongside the first program. A test program that needs a
// port the driver script registered waits for it before its first test.
#pragma once

#include <windows.h>

#include <string>

// True once HKLM\HARDWARE\DEVICEMAP\SERIALCOMM lists COM<com>; false after `ms` without it.
inline bool WaitForSerialPort(int com, DWORD ms = 20000) {
    const std::string want = "COM" + std::to_string(com);
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                            &key) == ERROR_SUCCESS) {
            bool listed = false;
            for (DWORD index = 0; !listed; ++index) {
                char name[256] = {};
                DWORD nameSize = sizeof name;
                char data[256] = {};
                DWORD dataSize = sizeof data - 1;
                if (::RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
                    break;
                listed = want == data;
            }
            ::RegCloseKey(key);
            if (listed)
                return true;
        }
        if (::GetTickCount64() - start > ms)
            return false;
        ::Sleep(50);
    }
}
