#include "settings/frmutils.h"

#include "base/codec.h"
#include "settings/profile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace tavir {

namespace {

constexpr std::string_view kConfigSection = "konfiguracja";
// The placement keys in a form's own section.
constexpr std::string_view kLeftKey = "left";
constexpr std::string_view kTopKey = "top";
constexpr std::string_view kWidthKey = "width";
constexpr std::string_view kHeightKey = "height";
constexpr std::string_view kStateKey = "window_state";
// A hand-edited size must not make Qt build a font of a billion points.
constexpr int kMaxPointSize = 1000;

enum WindowStateCode : std::int32_t
{
    Normal = 0,
    Minimized = 1,
    Maximized = 2
};

std::string toBytes(const QString& text)
{
    std::string bytes = utf16ToCp1250(text.toStdU16String());
    // A character without a Windows-1250 form is stored as '?', not as the NUL the codec
    // gives it: a NUL ends a value in the settings file, and the rest of the name would be lost.
    std::replace(bytes.begin(), bytes.end(), kUnmappable, '?');
    return bytes;
}

std::string sectionOf(const QWidget& form)
{
    return toBytes(form.objectName());
}

std::int32_t stateCode(const QWidget& form)
{
    if (form.isMinimized())
        return Minimized;
    return form.isMaximized() ? Maximized : Normal;
}

void applyState(QWidget& form, std::int32_t code)
{
    constexpr Qt::WindowStates placementStates = Qt::WindowMinimized | Qt::WindowMaximized;
    Qt::WindowStates states = form.windowState() & ~placementStates;
    switch (code) {
    case Normal:
        break;
    case Minimized:
        states |= Qt::WindowMinimized;
        break;
    case Maximized:
        states |= Qt::WindowMaximized;
        break;
    default:
        return; // not a state the file can hold; the form keeps its own
    }
    form.setWindowState(states);
}

// Qt keeps geometry in int and adds size to position: a hand-edited position or size near the
// 32-bit limits would overflow there, so both are kept within what a widget can measure.
int onScreenRange(std::int32_t coordinate)
{
    return std::clamp(coordinate, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

int sizeRange(std::int64_t size)
{
    return static_cast<int>(std::clamp<std::int64_t>(size, 0, QWIDGETSIZE_MAX));
}

int pointsFromPixels(int pixels)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return qRound(pixels * 72.0 / dpi);
}

} // namespace

void WriteFormPlacement(const QWidget& form, profile::Batch& batch)
{
    const std::string section = sectionOf(form);
    batch.writeInteger(section, kLeftKey, form.pos().x());
    batch.writeInteger(section, kTopKey, form.pos().y());
    if (!form.isMaximized()) {
        // A form the user cannot resize writes back the size it was given at start-up, before
        // it had a frame; its frame would otherwise be added again at every start.
        const bool fixed = form.minimumSize() == form.maximumSize();
        const QSize outer = fixed ? form.size() : form.frameGeometry().size();
        batch.writeInteger(section, kWidthKey, outer.width());
        batch.writeInteger(section, kHeightKey, outer.height());
    }
    batch.writeInteger(section, kStateKey, stateCode(form));
}

void WriteFormPlacement(const QWidget& form, const std::string& path)
{
    profile::Batch batch(path);
    WriteFormPlacement(form, batch);
    batch.commit();
}

void ReadFormPlacement(QWidget& form, const std::string& path)
{
    const std::string section = sectionOf(form);
    form.move(onScreenRange(profile::readInteger(path, section, kLeftKey, form.pos().x())),
              form.pos().y());
    form.move(form.pos().x(),
              onScreenRange(profile::readInteger(path, section, kTopKey, form.pos().y())));
    applyState(form, profile::readInteger(path, section, kStateKey, stateCode(form)));
    if (form.isMaximized())
        return;
    // The file holds outer sizes; resize() takes the client size inside the frame.
    const int outerWidth =
        profile::readInteger(path, section, kWidthKey, form.frameGeometry().width());
    form.resize(sizeRange(std::int64_t{outerWidth} - (form.frameGeometry().width() - form.width())),
                form.height());
    const int outerHeight =
        profile::readInteger(path, section, kHeightKey, form.frameGeometry().height());
    form.resize(form.width(), sizeRange(std::int64_t{outerHeight} -
                                        (form.frameGeometry().height() - form.height())));
}

QPoint keptOnScreen(const QRect& frame, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return frame.topLeft();
    QRect best = screens.front();
    qint64 bestArea = -1;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(frame);
        const qint64 area = common.isEmpty() ? 0 : qint64{common.width()} * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    const auto place = [](int at, int length, int first, int room) {
        // As far in as needed for the far edge to fit, never before the screen's start.
        return std::max(first, std::min(at, first + room - length));
    };
    return {place(frame.x(), frame.width(), best.x(), best.width()),
            place(frame.y(), frame.height(), best.y(), best.height())};
}

void KeepOnScreen(QWidget& form)
{
    if (form.isMaximized() || form.isFullScreen())
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    // Before it is shown the window has no frame yet: the title bar is reckoned in.
    QRect frame = form.frameGeometry();
    if (!form.isVisible())
        frame.setHeight(frame.height() +
                        form.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &form));
    const QPoint place = keptOnScreen(frame, screens);
    if (place != frame.topLeft())
        form.move(place);
}

void WriteConfigInteger(std::string_view key, std::int32_t value, const std::string& path)
{
    profile::writeInteger(path, kConfigSection, key, value);
}

void WriteConfigInteger(std::string_view key, std::int32_t value, profile::Batch& batch)
{
    batch.writeInteger(kConfigSection, key, value);
}

QFont toQFont(const FontRecord& font)
{
    QFont result;
    result.setFamily(QString::fromStdU16String(cp1250ToUtf16(font.face)));
    // A size of zero or less is no size (a hand-edited file, say): the record's default is used.
    result.setPointSize(font.size > 0 ? std::min(font.size, kMaxPointSize) : FontRecord{}.size);
    result.setBold(font.bold);
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    return result;
}

FontRecord fontRecord(const QFont& font, std::int32_t color)
{
    FontRecord record;
    record.face = toBytes(font.family());
    record.size =
        font.pointSizeF() > 0 ? qRound(font.pointSizeF()) : pointsFromPixels(font.pixelSize());
    record.color = color;
    record.bold = font.weight() > QFont::Normal;
    record.italic = font.italic();
    record.underline = font.underline();
    return record;
}

QColor toQColor(std::int32_t colorValue, const QPalette& palette)
{
    const auto bits = static_cast<std::uint32_t>(colorValue);
    if (colorValue >= 0)
        return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                      static_cast<int>((bits >> 16) & 0xFFu));
    // Any negative value names one of the desktop's own colours by its low byte, as the
    // settings file stores them (0x80000008 is the window text); each is drawn in the palette
    // role of the same meaning.
    switch (bits & 0xFFu) {
    case 5: // window background
        return palette.color(QPalette::Window);
    case 13: // selection background
        return palette.color(QPalette::Highlight);
    case 14: // selected text
        return palette.color(QPalette::HighlightedText);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    default: // window text (8) and every index without a closer role
        return palette.color(QPalette::WindowText);
    }
}

std::int32_t colorValue(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

void applyFont(QWidget& control, const FontRecord& font)
{
    control.setFont(toQFont(font));
    QPalette palette = control.palette();
    const QColor text = toQColor(font.color, palette);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    control.setPalette(palette);
}

} // namespace tavir
