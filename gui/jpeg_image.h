#pragma once

#include <QByteArray>
#include <QImage>

namespace tavir {

// Decodes a JPEG held in memory with libjpeg; a null image when the data is not a JPEG.
QImage decodeJpeg(const QByteArray& data);

} // namespace tavir
