#include "serial_ports_key.h"

#include <cstring>

SerialPortsKey::SerialPortsKey() {
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_ALL_ACCESS,
                        &m_key) != ERROR_SUCCESS)
        m_key = nullptr;
}

SerialPortsKey::~SerialPortsKey() {
    if (m_key == nullptr)
        return;
    for (const std::string& name : m_added)
        ::RegDeleteValueA(m_key, name.c_str());
    for (const Value& value : m_setAside)
        ::RegSetValueExA(m_key, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    ::RegCloseKey(m_key);
}

void SerialPortsKey::SetAsideAllBut(const std::set<std::string>& keep) {
    if (m_key == nullptr)
        return;
    std::vector<Value> foreign;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameSize = sizeof name;
        BYTE data[256] = {};
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        if (::RegEnumValueA(m_key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        if (!keep.contains(reinterpret_cast<const char*>(data)))
            foreign.push_back({name, type, std::vector<BYTE>(data, data + dataSize)});
    }
    for (Value& value : foreign) {
        if (::RegDeleteValueA(m_key, value.name.c_str()) == ERROR_SUCCESS)
            m_setAside.push_back(std::move(value));
    }
}

bool SerialPortsKey::Add(const std::string& name, const std::string& data) {
    if (m_key == nullptr ||
        ::RegSetValueExA(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        return false;
    m_added.push_back(name);
    return true;
}
