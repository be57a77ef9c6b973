// What the printer command tests know of their virtual printer (given on the command line by
// run_printer_command_tests.sh), the link opened as the connection panel opens it, and small
// real fixtures: BMP files, a private current directory.
#pragma once

#include "../test_files.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct PeerFiles {
    int com = 0;         // COM number of the virtual printer's pty; 0: no printer
    std::string rawPath; // every byte the printer received, as a Windows path
    std::string fullDir; // a folder whose NvSave.BIN leads to a full disk; "" when not given
};
PeerFiles& Peer();

void WriteWholeFile(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);

// Opens g_link on the printer's COM port with the receive worker, as Port Open does.
bool ConnectLink(int flow = 0);
void DisconnectLink();

// The printer's received bytes from `from` on: waits until at least `atLeast` have arrived (up
// to `timeoutMs`), then for a quiet spell so that stray extra bytes show up too.
Bytes RawSince(std::size_t from, std::size_t atLeast, DWORD timeoutMs = 5000);
std::size_t RawSize();

// A 1-bit BMP of `width` x `height` dots, dot(x, y) with y = 0 at the top. The stride is rounded
// up to 32 bits with the padding bits set, so that only the mask keeps them out.
Bytes PictureBmp(std::uint32_t width, std::uint32_t height,
                 const std::function<bool(std::uint32_t, std::uint32_t)>& dot,
                 bool blackFirst = true);
// A 24-bit BMP header of the same size class, which 1-bit readers refuse.
Bytes TwentyFourBitBmp(std::uint32_t width, std::uint32_t height);

// A fresh folder made the current directory for the test's life; removed afterwards.
class ScratchCurrentDirectory {
public:
    ScratchCurrentDirectory();
    ~ScratchCurrentDirectory();
    ScratchCurrentDirectory(const ScratchCurrentDirectory&) = delete;
    ScratchCurrentDirectory& operator=(const ScratchCurrentDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_previous;
    std::string m_path;
};
