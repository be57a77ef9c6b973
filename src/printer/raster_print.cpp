#include "printer/raster_print.h"

#include "image/mono_bmp.h"
#include "printer/raster_encoder.h"

namespace quillet {
namespace {

int RefusalCode(BmpCheck check) {
    switch (check) {
    case BmpCheck::TooShort:
        return kRasterTooShort;
    case BmpCheck::NotOneBit:
        return kRasterNotOneBit;
    case BmpCheck::BadGeometry:
        return kRasterDoesNotFit;
    case BmpCheck::Ok:
    case BmpCheck::CannotOpen:
    case BmpCheck::ReadError:
        break;
    }
    return kRasterCannotOpen;
}

} // namespace

int PrintRasterImage(const char* path, ByteSink& sink) {
    MonoBmp picture;
    const BmpCheck check = picture.Read(path, CheckRasterGeometry);
    if (check != BmpCheck::Ok)
        return RefusalCode(check);
    switch (WriteRasterImage(sink, picture)) {
    case EncodeResult::Ok:
        return kRasterPrinted;
    case EncodeResult::TooLarge:
    case EncodeResult::BadParameter:
        return kRasterDoesNotFit;
    case EncodeResult::WriteFailed:
        break;
    }
    return kRasterWriteFailed;
}

} // namespace quillet
