// A picture file decoded by GDI+ into a DIB section, drawn from a memory DC.
#pragma once

#include <windows.h>

// Ends GDI+ if a load started it; the program calls it once, when its dialog has ended.
void AfxTermGdiplus();

class CImage {
public:
    CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    ~CImage() { Destroy(); }

    // Decodes the file at `fileName` (ANSI path). The first load of the process starts GDI+,
    // which runs until AfxTermGdiplus. On failure the image is left empty (width and height 0)
    // and E_FAIL is returned.
    HRESULT Load(const char* fileName);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    // A memory DC with the bitmap selected; nullptr for an empty image. Calls nest: each GetDC
    // needs its ReleaseDC.
    HDC GetDC() const;
    void ReleaseDC() const;

private:
    void Destroy();

    HBITMAP m_hBitmap = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    mutable HDC m_hDC = nullptr;
    mutable HGDIOBJ m_hOldBitmap = nullptr;
    mutable int m_nDCRefCount = 0;
};
