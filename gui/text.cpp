#include "gui/text.h"

#include "base/codec.h"

namespace tavir {

QString fromWindows1250(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes)
        *out++ = QChar(cp1250ToUnicode(static_cast<unsigned char>(b)));
    return text;
}

namespace {
std::u16string_view utf16(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}
} // namespace

QString shownText(std::string_view bytes, std::size_t limit)
{
    if (bytes.size() <= limit)
        return fromWindows1250(bytes);
    return fromWindows1250(bytes.substr(0, limit)) + QChar(0x2026);
}

std::string toWindows1250(const QString& text)
{
    return utf16ToCp1250(utf16(text));
}
std::string toWindows1250Html(const QString& text)
{
    return utf16ToCp1250Html(utf16(text));
}

QByteArray toByteArray(std::string_view bytes)
{
    return {bytes.data(), static_cast<qsizetype>(bytes.size())};
}

QString fromSystem(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toSystem(const QString& text)
{
    return text.toStdString();
}

} // namespace tavir
