#include "image/bmp_check.h"

namespace quillet {

const char* BmpCheckMessage(BmpCheck check) {
    switch (check) {
    case BmpCheck::Ok:
        return "";
    case BmpCheck::CannotOpen:
    case BmpCheck::ReadError:
        return "Error : Bitmap open !!!";
    case BmpCheck::TooShort:
    case BmpCheck::BadGeometry:
        return "Error : Bitmap size !!!";
    case BmpCheck::NotOneBit:
        return "Only 1-bit bitmaps are supported.";
    }
    return "";
}

} // namespace quillet
