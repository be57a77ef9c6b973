#pragma once
// What the pty tests know of their peer (given on the command line by run_link_tests.sh) and a
// few helpers to read what the peer recorded.

#include "../test_files.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct PeerFiles {
    int com = 0;         // COM number the peer's pty is registered as; 0: no peer
    std::string logPath; // the peer's log.jsonl, as a Windows path
    std::string rawPath; // copy of every byte the peer received, as a Windows path
};
PeerFiles& Peer();

std::vector<std::string> ReadLines(const std::string& path);

// One JSON-lines record as key -> raw value text (strings unquoted). Flat records only.
using Record = std::map<std::string, std::string>;
Record ParseRecord(const std::string& line);
std::vector<Record> RecordsOfKind(const std::string& kind);

// Starts ReceiveThread the way the connection panel does and hands it to g_link.
// Returns the caller's own thread handle (closed by the caller) or nullptr.
HANDLE StartWorkerAsPanelDoes();

// Threads of this process, from a Toolhelp snapshot.
int CountOwnThreads();
DWORD CountOwnHandles();

// Milliseconds on the 64-bit clock.
inline ULONGLONG NowMs() {
    return GetTickCount64();
}
