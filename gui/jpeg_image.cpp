#include "gui/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tavir {

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr) {}

} // namespace

QImage decodeJpeg(const QByteArray& data)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    // Only plain C objects live across the jump; the image is created after it can fire.
    QImage* volatile image = nullptr;
    if (setjmp(errors.jump)) {
        delete image;
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    // Straight into the pixels a window paints (libjpeg-turbo writes them), with no conversion
    // pass after the decoding.
#if defined(JCS_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = JCS_EXT_BGRX;
    constexpr QImage::Format kFormat = QImage::Format_RGB32;
#else
    info.out_color_space = JCS_RGB;
    constexpr QImage::Format kFormat = QImage::Format_RGB888;
#endif
    jpeg_start_decompress(&info);
    image = new QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                       kFormat);
    if (image->isNull())
        std::longjmp(errors.jump, 1);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    QImage result = std::move(*image);
    delete image;
    return result;
}

} // namespace tavir
