// A FILE of a job: a 1-bit BMP as the dialog takes it, or any picture the converter reads,
// converted on the way.
#pragma once

#include "image/mono_bmp.h"
#include "logo/logo_convert.h"

#include <string>

namespace quillet::nv {

enum class PictureUse {
    NvImage,  // FS q
    Raster,   // GS v 0
    Graphics, // GS ( L function 67
};

// FS q's x counts bytes of 8 dots and printers take at most 1023 of them; its y, at most 288
// bytes of column (2304 dots). A definition beyond either is refused by the printer, which
// then reads the rest of the stream as commands.
inline constexpr std::uint32_t kNvPrinterMaxWidth = 1023 * 8;
inline constexpr std::uint32_t kNvPrinterMaxHeight = 288 * 8;

// Reads and checks `path` for `use`. False with a message that names the file.
bool LoadPicture(const std::string& path, PictureUse use, const logo::ConvertSettings& convert,
                 MonoBmp& picture, std::string& why);

} // namespace quillet::nv
