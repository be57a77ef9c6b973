#include "link_test_env.h"

#include "printer_link.h"

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

PeerFiles& Peer() {
    static PeerFiles files;
    return files;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

Record ParseRecord(const std::string& line) {
    Record record;
    std::size_t pos = 0;
    auto skipSpace = [&] {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
    };
    while ((pos = line.find('"', pos)) != std::string::npos) {
        const std::size_t keyEnd = line.find('"', pos + 1);
        if (keyEnd == std::string::npos)
            break;
        std::string key = line.substr(pos + 1, keyEnd - pos - 1);
        pos = keyEnd + 1;
        skipSpace();
        if (pos >= line.size() || line[pos] != ':')
            continue;
        ++pos;
        skipSpace();
        std::string value;
        if (pos < line.size() && line[pos] == '"') {
            const std::size_t valueEnd = line.find('"', pos + 1);
            value = line.substr(pos + 1, valueEnd - pos - 1);
            pos = valueEnd + 1;
        } else {
            const std::size_t valueEnd = line.find_first_of(",}", pos);
            value = line.substr(pos, valueEnd - pos);
            while (!value.empty() && value.back() == ' ')
                value.pop_back();
            pos = valueEnd;
        }
        record[key] = value;
    }
    return record;
}

std::vector<Record> RecordsOfKind(const std::string& kind) {
    std::vector<Record> records;
    const std::string quoted = "\"" + kind + "\"";
    for (const std::string& line : ReadLines(Peer().logPath)) {
        if (line.find(quoted) == std::string::npos)
            continue; // most lines are the peer's decoding of our test bytes
        Record record = ParseRecord(line);
        if (record["ev"] == kind)
            records.push_back(record);
    }
    return records;
}

namespace {
DWORD WINAPI RunReceiveThread(void* param) {
    return ReceiveThread(param);
}
} // namespace

HANDLE StartWorkerAsPanelDoes() {
    HANDLE thread = CreateThread(nullptr, 0, RunReceiveThread, nullptr, 0, nullptr);
    if (thread && g_link.AdoptWorker(thread) != 0) {
        CloseHandle(thread);
        return nullptr;
    }
    return thread;
}

int CountOwnThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    CloseHandle(snapshot);
    return count;
}

DWORD CountOwnHandles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}
