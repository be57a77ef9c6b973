// Small picture files written by the tests: 1-bit BMPs and broken variants, in a folder of
// their own that goes away with the object.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The bytes of a bottom-up 1-bit BMP; `ink(x, y)` (y from the top) picks palette entry 1.
std::vector<std::uint8_t> MonoBmpBytes(int width, int height,
                                       const std::function<bool(int x, int y)>& ink,
                                       RGBQUAD color0 = {0, 0, 0, 0},
                                       RGBQUAD color1 = {255, 255, 255, 0});

class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& Path() const { return m_path; }
    // Writes `bytes` to `name` in the folder; returns the file's full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes);

private:
    std::string m_path;
    std::vector<std::string> m_files;
};
