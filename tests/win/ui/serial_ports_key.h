// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM for one test: values it adds go again, values it sets
// aside come back, when the object ends. The key is volatile: a wineserver restart rebuilds it.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

class SerialPortsKey {
public:
    SerialPortsKey();
    SerialPortsKey(const SerialPortsKey&) = delete;
    SerialPortsKey& operator=(const SerialPortsKey&) = delete;
    ~SerialPortsKey();

    bool IsOpen() const { return m_key != nullptr; }
    // Takes out every value whose data are not one of `keep` (ports the platform found itself).
    void SetAsideAllBut(const std::set<std::string>& keep);
    // Adds a string value whose data are exactly these bytes (no terminator added).
    bool Add(const std::string& name, const std::string& data);

private:
    struct Value {
        std::string name;
        DWORD type = REG_SZ;
        std::vector<BYTE> data;
    };

    HKEY m_key = nullptr;
    std::vector<Value> m_setAside;
    std::vector<std::string> m_added;
};
