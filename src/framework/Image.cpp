#include "framework/Image.h"

#include <objidl.h>

#include <gdiplus.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Started once for the process by the first Load, not for every picture. Images are used on the
// user-interface thread only.
ULONG_PTR g_gdiplusToken = 0;

bool StartGdiplus() {
    if (g_gdiplusToken != 0)
        return true;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        g_gdiplusToken = 0;
        return false;
    }
    return true;
}

std::wstring Widen(const char* text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// Indexed pictures keep their depth and palette; everything else becomes 32-bit.
Gdiplus::PixelFormat DibFormat(Gdiplus::PixelFormat source) {
    switch (source) {
    case PixelFormat1bppIndexed:
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
        return source;
    default:
        return PixelFormat32bppARGB;
    }
}

struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// Copies the palette of an indexed picture into the DIB's colour table; returns the count.
UINT CopyPalette(Gdiplus::Bitmap& bitmap, DibInfo& info) {
    const INT size = bitmap.GetPaletteSize();
    if (size <= 0)
        return 0;
    std::vector<BYTE> buffer(static_cast<size_t>(size));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
    if (bitmap.GetPalette(palette, size) != Gdiplus::Ok)
        return 0;
    const UINT count = palette->Count < 256 ? palette->Count : 256;
    for (UINT i = 0; i < count; ++i) {
        const Gdiplus::ARGB argb = palette->Entries[i];
        info.colors[i] = RGBQUAD{static_cast<BYTE>(argb), static_cast<BYTE>(argb >> 8),
                                 static_cast<BYTE>(argb >> 16), 0};
    }
    return count;
}

} // namespace

void AfxTermGdiplus() {
    if (g_gdiplusToken == 0)
        return;
    Gdiplus::GdiplusShutdown(g_gdiplusToken);
    g_gdiplusToken = 0;
}

void CImage::Destroy() {
    while (m_nDCRefCount > 0)
        ReleaseDC();
    if (m_hBitmap != nullptr)
        ::DeleteObject(m_hBitmap);
    m_hBitmap = nullptr;
    m_nWidth = m_nHeight = 0;
}

HRESULT CImage::Load(const char* fileName) {
    Destroy();
    if (fileName == nullptr || !StartGdiplus())
        return E_FAIL;
    const std::wstring widePath = Widen(fileName);
    if (widePath.empty())
        return E_FAIL;
    // The decoder holds the file open until it is deleted, which happens before Load returns.
    Gdiplus::Bitmap bitmap(widePath.c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok)
        return E_FAIL;
    const int width = static_cast<int>(bitmap.GetWidth());
    const int height = static_cast<int>(bitmap.GetHeight());
    if (width <= 0 || height <= 0)
        return E_FAIL;
    const Gdiplus::PixelFormat format = DibFormat(bitmap.GetPixelFormat());
    const int bpp = static_cast<int>(Gdiplus::GetPixelFormatSize(format));

    DibInfo info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height; // top-down, like the rows LockBits gives
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bpp);
    info.header.biCompression = BI_RGB;
    if (format != PixelFormat32bppARGB) {
        info.header.biClrUsed = CopyPalette(bitmap, info);
        if (info.header.biClrUsed == 0)
            return E_FAIL;
    }

    void* bits = nullptr;
    const HBITMAP dib = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                           DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr) {
        if (dib != nullptr)
            ::DeleteObject(dib);
        return E_FAIL;
    }
    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, format, &data) != Gdiplus::Ok) {
        ::DeleteObject(dib);
        return E_FAIL;
    }
    const size_t dibStride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    const size_t rowBytes = (static_cast<size_t>(width) * bpp + 7) / 8;
    for (int y = 0; y < height; ++y) {
        const auto* source = static_cast<const BYTE*>(data.Scan0) +
                             static_cast<ptrdiff_t>(y) * static_cast<ptrdiff_t>(data.Stride);
        std::memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * dibStride, source,
                    rowBytes);
    }
    bitmap.UnlockBits(&data);

    m_hBitmap = dib;
    m_nWidth = width;
    m_nHeight = height;
    return S_OK;
}

HDC CImage::GetDC() const {
    if (m_hBitmap == nullptr)
        return nullptr;
    if (m_nDCRefCount == 0) {
        m_hDC = ::CreateCompatibleDC(nullptr);
        if (m_hDC == nullptr)
            return nullptr;
        m_hOldBitmap = ::SelectObject(m_hDC, m_hBitmap);
    }
    ++m_nDCRefCount;
    return m_hDC;
}

void CImage::ReleaseDC() const {
    if (m_nDCRefCount == 0 || --m_nDCRefCount > 0)
        return;
    ::SelectObject(m_hDC, m_hOldBitmap);
    ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_hOldBitmap = nullptr;
}
