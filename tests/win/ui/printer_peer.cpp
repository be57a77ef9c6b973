#include "printer_peer.h"

#include "link/printer_link.h"

#include <filesystem>
#include <fstream>

PeerFiles& Peer() {
    static PeerFiles files;
    return files;
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
DWORD WINAPI RunReceiveThread(void* param) {
    return ReceiveThread(param);
}
} // namespace

bool ConnectLink(int flow) {
    if (g_link.OpenPort(Peer().com, 115200, flow) != 0)
        return false;
    HANDLE worker = ::CreateThread(nullptr, 0, RunReceiveThread, nullptr, 0, nullptr);
    if (worker == nullptr || g_link.AdoptWorker(worker) != 0) {
        g_link.ClosePort();
        return false;
    }
    ::CloseHandle(worker);
    return true;
}

void DisconnectLink() {
    g_link.ClosePort();
}

std::size_t RawSize() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(Peer().rawPath.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow;
}

Bytes RawSince(std::size_t from, std::size_t atLeast, DWORD timeoutMs) {
    const ULONGLONG start = ::GetTickCount64();
    while (RawSize() < from + atLeast && ::GetTickCount64() - start < timeoutMs)
        ::Sleep(20);
    // A quiet spell: nothing more may arrive.
    for (std::size_t seen = RawSize();;) {
        ::Sleep(300);
        const std::size_t now = RawSize();
        if (now == seen)
            break;
        seen = now;
    }
    Bytes raw = ReadWholeFile(Peer().rawPath);
    return from < raw.size() ? Bytes(raw.begin() + static_cast<std::ptrdiff_t>(from), raw.end())
                             : Bytes{};
}

namespace {

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes BmpHeader(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                std::uint32_t pixelBytes) {
    Bytes file(62, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, 62 + pixelBytes);
    Put32(file, 10, 62);
    Put32(file, 14, 40);
    Put32(file, 18, width);
    Put32(file, 22, height);
    Put16(file, 26, 1);
    Put16(file, 28, bits);
    Put32(file, 34, pixelBytes);
    Put32(file, 46, 2);
    return file;
}

} // namespace

Bytes PictureBmp(std::uint32_t width, std::uint32_t height,
                 const std::function<bool(std::uint32_t, std::uint32_t)>& dot, bool blackFirst) {
    const std::uint32_t stride = (width + 31) / 32 * 4;
    Bytes file = BmpHeader(width, height, 1, stride * height);
    // Palette: entry 0 black (a dot is a 0 bit) or white (a dot is a 1 bit).
    const std::uint8_t first = blackFirst ? 0x00 : 0xFF;
    for (int i = 0; i < 3; ++i) {
        file[54 + static_cast<std::size_t>(i)] = first;
        file[58 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(~first);
    }
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint32_t y = height - 1 - r;
        Bytes row(stride, 0xFF);
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
            if (dot(x, y) != blackFirst)
                row[x / 8] |= bit;
            else
                row[x / 8] &= static_cast<std::uint8_t>(~bit);
        }
        file.insert(file.end(), row.begin(), row.end());
    }
    return file;
}

Bytes TwentyFourBitBmp(std::uint32_t width, std::uint32_t height) {
    const std::uint32_t stride = (3 * width + 3) / 4 * 4;
    Bytes file = BmpHeader(width, height, 24, stride * height);
    file.resize(file.size() + stride * height, 0x80);
    return file;
}

ScratchCurrentDirectory::ScratchCurrentDirectory() {
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    m_previous = previous;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    m_path = std::string(temp) + "quillet-cmd-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(++serial);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
    ::SetCurrentDirectoryA(m_path.c_str());
}

ScratchCurrentDirectory::~ScratchCurrentDirectory() {
    ::SetCurrentDirectoryA(m_previous.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
