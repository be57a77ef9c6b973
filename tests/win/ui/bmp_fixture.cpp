#include "bmp_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

void PutLe(std::vector<std::uint8_t>& bytes, size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> MonoBmpBytes(int width, int height,
                                       const std::function<bool(int x, int y)>& ink, RGBQUAD color0,
                                       RGBQUAD color1) {
    const size_t stride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t size = 62 + stride * height;
    std::vector<std::uint8_t> bytes(size, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 2, static_cast<std::uint32_t>(size), 4);
    PutLe(bytes, 10, 62, 4);
    PutLe(bytes, 14, 40, 4);
    PutLe(bytes, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(bytes, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(bytes, 26, 1, 2);
    PutLe(bytes, 28, 1, 2);
    PutLe(bytes, 34, static_cast<std::uint32_t>(stride * height), 4);
    PutLe(bytes, 46, 2, 4);
    const RGBQUAD colors[2] = {color0, color1};
    for (int i = 0; i < 2; ++i) {
        bytes[54 + 4 * i] = colors[i].rgbBlue;
        bytes[55 + 4 * i] = colors[i].rgbGreen;
        bytes[56 + 4 * i] = colors[i].rgbRed;
    }
    for (int y = 0; y < height; ++y) {
        const size_t row = 62 + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x)
            if (ink(x, y))
                bytes[row + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return bytes;
}

TempFolder::TempFolder() {
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    m_path = std::string(base) + "quillet-slots-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(::GetTickCount64());
    EXPECT_TRUE(::CreateDirectoryA(m_path.c_str(), nullptr)) << m_path;
}

TempFolder::~TempFolder() {
    for (const std::string& file : m_files)
        ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(m_path.c_str());
}

std::string TempFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = m_path + "\\" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file != nullptr) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
    m_files.push_back(path);
    return path;
}
