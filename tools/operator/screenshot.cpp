#include "screenshot.h"

#include <cstdio>
#include <vector>

namespace {

// Closes what the capture opened, whichever way it ends.
struct Capture {
    HDC screen = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    ~Capture() {
        if (previous)
            SelectObject(memory, previous);
        if (bitmap)
            DeleteObject(bitmap);
        if (memory)
            DeleteDC(memory);
        if (screen)
            ReleaseDC(nullptr, screen);
    }
};

bool write_bmp(const std::string& path, const BITMAPINFOHEADER& header, const void* pixels) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                   std::fwrite(&header, sizeof header, 1, out) == 1 &&
                   std::fwrite(pixels, header.biSizeImage, 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

} // namespace

bool save_screenshot(HWND window, const std::string& path, std::string& why) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) {
        why = "the window is gone";
        return false;
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        why = "the window has no area";
        return false;
    }
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files store it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);

    Capture capture;
    void* pixels = nullptr;
    capture.screen = GetDC(nullptr);
    capture.memory = capture.screen ? CreateCompatibleDC(capture.screen) : nullptr;
    capture.bitmap = capture.memory ? CreateDIBSection(capture.memory, &info, DIB_RGB_COLORS,
                                                       &pixels, nullptr, 0)
                                    : nullptr;
    if (!capture.bitmap || !pixels) {
        why = "cannot make a bitmap";
        return false;
    }
    capture.previous = SelectObject(capture.memory, capture.bitmap);
    if (!BitBlt(capture.memory, 0, 0, width, height, capture.screen, rect.left, rect.top,
                SRCCOPY)) {
        why = "cannot copy the screen";
        return false;
    }
    GdiFlush();
    if (!write_bmp(path, header, pixels)) {
        why = "cannot write " + path;
        return false;
    }
    return true;
}
