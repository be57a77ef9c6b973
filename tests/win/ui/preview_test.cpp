// The preview: the size table, the image class, and what the View buttons draw into the real
// frame, read back pixel by pixel.
#include "bmp_fixture.h"
#include "dialog_watcher.h"
#include "main_dialog_fixture.h"

#include "framework/Image.h"

#include <cstdint>
#include <vector>

namespace {

constexpr RGBQUAD kWhite = {255, 255, 255, 0};
constexpr RGBQUAD kBlackQuad = {0, 0, 0, 0};
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhitePixel = 0xFFFFFF;

const int kViewButtons[] = {IDC_BTN_VIEW1, IDC_BTN_VIEW2, IDC_BTN_VIEW3, IDC_BTN_VIEW4,
                            IDC_BTN_VIEW5, IDC_BTN_VIEW6, IDC_BTN_VIEW7, IDC_BTN_VIEW8,
                            IDC_BTN_VIEW9, IDC_BTN_VIEW10};

// A picture on a white ground; `ink` marks its black pixels.
std::vector<std::uint8_t> InkBmp(int width, int height,
                                 const std::function<bool(int x, int y)>& ink) {
    return MonoBmpBytes(width, height, ink, kWhite, kBlackQuad);
}

bool AllInk(int, int) {
    return true;
}

// The frame's pixels as 0xRRGGBB, copied from its own drawing surface.
struct FramePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
};

FramePixels Capture(HWND frame) {
    RECT rect;
    ::GetWindowRect(frame, &rect);
    FramePixels shot;
    shot.width = rect.right - rect.left;
    shot.height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const HDC frameDc = ::GetDC(frame);
    const HDC memory = ::CreateCompatibleDC(frameDc);
    void* bits = nullptr;
    const HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, shot.width, shot.height, frameDc, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(words, words + static_cast<size_t>(shot.width) * shot.height);
    ::SelectObject(memory, previous);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(frame, frameDc);
    return shot;
}

// Bounding box (right and bottom exclusive) of the non-white pixels inside the outline.
struct Box {
    int left, top, right, bottom;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "[" << box.left << "," << box.top << " .. " << box.right << "," << box.bottom
               << ")";
}

constexpr Box kNoInk = {0, 0, 0, 0};

Box InkBox(const FramePixels& shot) {
    Box box = {shot.width, shot.height, 0, 0};
    for (int y = 1; y < shot.height - 1; ++y)
        for (int x = 1; x < shot.width - 1; ++x)
            if (shot.At(x, y) != kWhitePixel)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box.right == 0 ? kNoInk : box;
}

int CountNot(const FramePixels& shot, const Box& box, std::uint32_t color) {
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            count += shot.At(x, y) != color;
    return count;
}

// Pixels of the 1-pixel outline that are not black.
int OutlineGaps(const FramePixels& shot) {
    int gaps = 0;
    for (int x = 0; x < shot.width; ++x)
        gaps += (shot.At(x, 0) != kBlack) + (shot.At(x, shot.height - 1) != kBlack);
    for (int y = 0; y < shot.height; ++y)
        gaps += (shot.At(0, y) != kBlack) + (shot.At(shot.width - 1, y) != kBlack);
    return gaps;
}

class PreviewTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        RECT rect;
        ::GetWindowRect(Item(IDC_PREVIEW), &rect);
        m_width = rect.right - rect.left;
        m_height = rect.bottom - rect.top;
        ASSERT_GT(m_width, 120);
        ASSERT_GT(m_height, 120);
    }
    void Use(int slot, const std::string& path) {
        m_dlg.m_bSlotUsed[slot] = 1;
        m_dlg.m_strSlotPath[slot] = path;
    }
    FramePixels View(int slot) {
        Click(kViewButtons[slot]);
        return Capture(Item(IDC_PREVIEW));
    }

    TempFolder m_folder;
    int m_width = 0;
    int m_height = 0;
};

} // namespace

TEST(PreviewExtent, FollowsTheSizeTableAndKeepsProportionsInRows3And4) {
    const struct {
        int W, H, iw, ih, wd, hd;
    } cases[] = {
        {300, 500, 100, 50, 94, 44},                // row 1: six pixels smaller, not scaled
        {300, 500, 1000, 600, 294, 494},            // row 2: the frame, whatever the proportions
        {300, 500, 50, 1000, 19, 494},              // row 3: full height, 500 * 50 / 1000 - 6 wide
        {300, 500, 300, 100, 294, 94},              // row 4: exactly as wide as the frame
        {300, 500, 576, 200, 294, 98},              // row 4: wider, not taller: 300 * 200 / 576 - 6
        {300, 500, 100, 500, 294, 1494},            // row 4: as tall, narrower: 300 * 500 / 100 - 6
        {300, 500, 0, 0, 0, 0},                     // load failed: nothing drawn
        {300, 500, 6, 20, 0, 14},                   // zero width: nothing drawn
        {300, 500, 5, 5, 0, 0},                     // negative extents are no mirror image
        {300, 500, 10, 5000, 0, 494},               // row 3 with a quotient below 6
        {60000, 500, 60000, 60000, 59994, 59994},   // 60000 * 60000 needs 64 bits
        {40000, 40000, 30000, 65535, 18304, 39994}, // 40000 * 30000 / 65535 - 6
    };
    for (const auto& c : cases) {
        const SIZE extent = CQuilletDlg::PreviewExtent(c.W, c.H, c.iw, c.ih);
        EXPECT_EQ(extent.cx, c.wd) << c.iw << " x " << c.ih << " in " << c.W << " x " << c.H;
        EXPECT_EQ(extent.cy, c.hd) << c.iw << " x " << c.ih << " in " << c.W << " x " << c.H;
    }
}

TEST(ImageClass, LoadsA1BitBmpWithItsPaletteInOneImageAfterAnother) {
    TempFolder folder;
    const std::string path =
        folder.Write("two-colours.bmp", MonoBmpBytes(
                                            20, 10, [](int x, int) { return x >= 10; },
                                            RGBQUAD{255, 0, 0, 0}, RGBQUAD{0, 0, 255, 0}));
    const std::string notAPicture = folder.Write("text.bmp", {'h', 'e', 'l', 'l', 'o'});
    for (int round = 0; round < 2; ++round) {
        CImage image;
        EXPECT_EQ(image.Load(notAPicture.c_str()), E_FAIL);
        EXPECT_EQ(image.GetWidth(), 0);
        EXPECT_EQ(image.GetHeight(), 0);
        EXPECT_EQ(image.GetDC(), nullptr);

        ASSERT_EQ(image.Load(path.c_str()), S_OK) << "round " << round;
        EXPECT_EQ(image.GetWidth(), 20);
        EXPECT_EQ(image.GetHeight(), 10);
        const HDC dc = image.GetDC();
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(::GetPixel(dc, 2, 0), RGB(0, 0, 255));  // palette entry 0, blue
        EXPECT_EQ(::GetPixel(dc, 17, 9), RGB(255, 0, 0)); // palette entry 1, red
        image.ReleaseDC();
    }
}

TEST_F(PreviewTest, ASmallPictureIsDrawnSixPixelsSmallerAtThreeThreeInAnOutlinedWhiteBox) {
    // Black, with a white block in its lower right quarter.
    Use(0, m_folder.Write("small.bmp", InkBmp(100, 50, [](int x, int y) {
                              return !(x >= 60 && x < 90 && y >= 30 && y < 45);
                          })));
    const FramePixels shot = View(0);
    EXPECT_EQ(OutlineGaps(shot), 0);
    EXPECT_EQ(InkBox(shot), (Box{3, 3, 97, 47}));
    EXPECT_EQ(shot.At(3, 3), kBlack);
    EXPECT_EQ(shot.At(96, 46), kBlack);
    EXPECT_EQ(shot.At(20, 40), kBlack);
    EXPECT_EQ(shot.At(73, 13), kBlack);
    EXPECT_EQ(shot.At(73, 36), kWhitePixel); // the block stays low and right: not flipped
    EXPECT_EQ(shot.At(97, 10), kWhitePixel);
    EXPECT_EQ(shot.At(10, 47), kWhitePixel);
}

TEST_F(PreviewTest, APictureLargerThanTheFrameFillsItLessThreePixelsEachSide) {
    Use(3, m_folder.Write("large.bmp", InkBmp(m_width + 40, m_height + 90, AllInk)));
    const FramePixels shot = View(3);
    const Box inside = {3, 3, m_width - 3, m_height - 3};
    EXPECT_EQ(OutlineGaps(shot), 0);
    EXPECT_EQ(InkBox(shot), inside);
    EXPECT_EQ(CountNot(shot, inside, kBlack), 0);
}

TEST_F(PreviewTest, ANarrowTallPictureKeepsItsProportions) {
    const int iw = 60, ih = m_height + 100;
    Use(2, m_folder.Write("tall.bmp", InkBmp(iw, ih, AllInk)));
    const FramePixels shot = View(2);
    const Box drawn = {3, 3, 3 + m_height * iw / ih - 6, m_height - 3};
    EXPECT_EQ(InkBox(shot), drawn);
    EXPECT_EQ(CountNot(shot, drawn, kBlack), 0);
}

TEST_F(PreviewTest, APictureIsShownInItsOwnPaletteColours) {
    Use(0, m_folder.Write("colours.bmp", MonoBmpBytes(
                                             80, 40, [](int x, int) { return x >= 40; },
                                             RGBQUAD{255, 0, 0, 0}, RGBQUAD{0, 0, 255, 0})));
    const FramePixels shot = View(0);
    EXPECT_EQ(shot.At(10, 20), 0x0000FFu); // blue
    EXPECT_EQ(shot.At(60, 20), 0xFF0000u); // red
}

TEST_F(PreviewTest, EachViewButtonShowsItsOwnSlot) {
    for (int slot = 0; slot < 10; ++slot)
        Use(slot, m_folder.Write("slot" + std::to_string(slot) + ".bmp",
                                 InkBmp(20 + 5 * slot, 60 - 3 * slot, AllInk)));
    for (int slot = 9; slot >= 0; --slot) {
        const FramePixels shot = View(slot);
        EXPECT_EQ(InkBox(shot), (Box{3, 3, 3 + 14 + 5 * slot, 3 + 54 - 3 * slot})) << slot;
    }
}

TEST_F(PreviewTest, AnUnusedSlotOrAMissingFileLeavesOnlyTheClearedBoxWithoutAMessage) {
    const std::string path = m_folder.Write("gone.bmp", InkBmp(100, 50, AllInk));
    Use(0, path);
    Use(1, path);
    ASSERT_NE(InkBox(View(0)), kNoInk);

    DialogWatcher watcher(m_dlg.m_hWnd);
    FramePixels shot = View(4); // slot 4 is free
    EXPECT_EQ(OutlineGaps(shot), 0);
    EXPECT_EQ(InkBox(shot), kNoInk);

    ASSERT_NE(InkBox(View(0)), kNoInk);
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    shot = View(1);
    EXPECT_EQ(OutlineGaps(shot), 0);
    EXPECT_EQ(InkBox(shot), kNoInk);
    EXPECT_TRUE(watcher.Stop().empty());
}
