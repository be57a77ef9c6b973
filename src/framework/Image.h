// A picture file decoded by GDI+ into a DIB section, drawn from a memory DC.
#pragma once

#include <windows.h>

class CImage {
public:
    CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    // Deletes the bitmap; the last image object alive also ends GDI+.
    ~CImage();

    // Decodes the file at `fileName` (ANSI path). Starts GDI+ when it is not running. On failure
    // the image is left empty (width and height 0) and E_FAIL is returned.
    HRESULT Load(const char* fileName);
    void Destroy();

    bool IsNull() const { return m_hBitmap == nullptr; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetBPP() const { return m_nBPP; }

    // A memory DC with the bitmap selected; nullptr for an empty image. Calls nest: each GetDC
    // needs its ReleaseDC.
    HDC GetDC() const;
    void ReleaseDC() const;

private:
    HBITMAP m_hBitmap = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBPP = 0;
    mutable HDC m_hDC = nullptr;
    mutable HGDIOBJ m_hOldBitmap = nullptr;
    mutable int m_nDCRefCount = 0;
};
