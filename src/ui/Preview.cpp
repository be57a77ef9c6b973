// Preview: the ten View buttons and the drawing into the preview frame.
#include "ui/QuilletDlg.h"

#include "framework/Image.h"

#include <climits>
#include <cstdint>

namespace {

// Gap between the frame's edge and the picture, on every side.
constexpr int kMargin = 3;

// An extent of zero or less draws nothing; the frame's clip bounds anything larger.
LONG Extent(std::int64_t value) {
    if (value <= 0)
        return 0;
    return value > INT_MAX ? INT_MAX : static_cast<LONG>(value);
}

} // namespace

SIZE CQuilletDlg::PreviewExtent(int frameWidth, int frameHeight, int imageWidth, int imageHeight) {
    const std::int64_t W = frameWidth, H = frameHeight, iw = imageWidth, ih = imageHeight;
    const std::int64_t inset = 2 * kMargin;
    std::int64_t wd = 0, hd = 0;
    if (iw < W && ih < H) {
        wd = iw - inset;
        hd = ih - inset;
    } else if (iw > W && ih > H) {
        wd = W - inset;
        hd = H - inset;
    } else if (iw < W && ih > H) {
        // Full height; the width keeps the picture's proportions.
        wd = ih > 0 ? H * iw / ih - inset : 0;
        hd = H - inset;
    } else {
        // Full width; the height keeps the picture's proportions.
        wd = W - inset;
        hd = iw > 0 ? W * ih / iw - inset : 0;
    }
    return SIZE{Extent(wd), Extent(hd)};
}

HDC CQuilletDlg::ClearPreview(int& frameWidth, int& frameHeight) {
    RECT rect;
    m_staticPreview.GetWindowRect(&rect);
    m_staticPreview.ScreenToClient(&rect);
    frameWidth = rect.right - rect.left;
    frameHeight = rect.bottom - rect.top;
    const HDC frame = m_staticPreview.GetDC();
    if (frame != nullptr)
        ::Rectangle(frame, 0, 0, frameWidth, frameHeight); // default black pen, white brush
    return frame;
}

void CQuilletDlg::DrawPreview(std::string path) {
    int frameWidth = 0, frameHeight = 0;
    const HDC frame = ClearPreview(frameWidth, frameHeight);
    CImage image;
    image.Load(path.c_str()); // a file that does not load leaves the cleared box
    if (frame == nullptr)
        return;
    const SIZE extent = PreviewExtent(frameWidth, frameHeight, image.GetWidth(), image.GetHeight());
    if (extent.cx > 0 && extent.cy > 0) {
        if (const HDC picture = image.GetDC(); picture != nullptr) {
            // Keep the picture inside the outline, whatever size the table gives.
            ::IntersectClipRect(frame, 1, 1, frameWidth - 1, frameHeight - 1);
            ::StretchBlt(frame, kMargin, kMargin, extent.cx, extent.cy, picture, 0, 0,
                         image.GetWidth(), image.GetHeight(), SRCCOPY);
            image.ReleaseDC();
        }
    }
    m_staticPreview.ReleaseDC(frame);
}

void CQuilletDlg::ViewSlot(int slot) {
    if (m_bSlotUsed[slot] == 1) {
        DrawPreview(m_strSlotPath[slot]);
        return;
    }
    int frameWidth = 0, frameHeight = 0;
    if (const HDC frame = ClearPreview(frameWidth, frameHeight); frame != nullptr)
        m_staticPreview.ReleaseDC(frame);
}

void CQuilletDlg::OnView1() {
    ViewSlot(0);
}
void CQuilletDlg::OnView2() {
    ViewSlot(1);
}
void CQuilletDlg::OnView3() {
    ViewSlot(2);
}
void CQuilletDlg::OnView4() {
    ViewSlot(3);
}
void CQuilletDlg::OnView5() {
    ViewSlot(4);
}
void CQuilletDlg::OnView6() {
    ViewSlot(5);
}
void CQuilletDlg::OnView7() {
    ViewSlot(6);
}
void CQuilletDlg::OnView8() {
    ViewSlot(7);
}
void CQuilletDlg::OnView9() {
    ViewSlot(8);
}
void CQuilletDlg::OnView10() {
    ViewSlot(9);
}
