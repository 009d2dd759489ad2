#include "ui/qt/qt_text.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QStringList>

#include <cmath>

#include "base/cp1251.h"

namespace tarnwick::qt {

QString fromCp1251(const uint8_t* bytes, size_t length) {
    QString text;
    text.reserve(static_cast<qsizetype>(length));
    for (size_t i = 0; i < length; ++i) text.append(QChar(cp1251ToUnicode(bytes[i])));
    return text;
}

QString fromCp1251(const char* text) {
    size_t length = 0;
    while (text[length] != '\0') ++length;
    return fromCp1251(reinterpret_cast<const uint8_t*>(text), length);
}

size_t toCp1251(const QString& text, uint8_t* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    size_t stored = 0;
    // Code points, not UTF-16 units: a character outside the basic plane is one '?', not two.
    for (char32_t c : text.toUcs4()) {
        if (stored + 1 >= capacity) break;
        const int byte = unicodeToCp1251(c);
        buffer[stored++] = static_cast<uint8_t>(byte < 0 ? '?' : byte);
    }
    buffer[stored] = 0;
    return stored;
}

namespace {

// Consolas's advance and cell height in ems: the platform sizes it by its cell, so at a cell
// of h pixels each character is about 0.47 h wide.
constexpr double consolasAdvance = 0.5498;
constexpr double consolasCell = 1.1709;

// Per character, over Latin and Cyrillic alike: the labels are mostly Cyrillic, and a face
// that lacks those glyphs borrows them from another one.
double advance(const QFont& font) {
    return QFontMetricsF(font).horizontalAdvance(QStringLiteral(u"0\u0436")) / 2;
}

}  // namespace

QFont layoutFont(const FontSpec& wanted) {
    QFont font;
    font.setFamilies(QStringList{fontFace, QStringLiteral("DejaVu Sans Mono"),
                                 QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(static_cast<QFont::Weight>(wanted.weight));
    font.setItalic(wanted.italic);
    int pixels = wanted.height;
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > wanted.height) font.setPixelSize(--pixels);
    if (QFontInfo(font).family().compare(QLatin1String(fontFace), Qt::CaseInsensitive) == 0)
        return font;

    // A fallback face is wider per em than Consolas (DejaVu Sans Mono 0.60 against 0.55), so
    // with the cell alone fitted the labels grow into their neighbours. Step down to the size
    // whose advance comes nearest Consolas's rather than the largest one not wider: a whole
    // pixel less can leave the cell well short of the table's height.
    const double target = wanted.height * consolasAdvance / consolasCell;
    while (pixels > 6) {
        const double now = advance(font);
        font.setPixelSize(pixels - 1);
        if (std::abs(advance(font) - target) >= std::abs(now - target)) {
            font.setPixelSize(pixels);
            break;
        }
        --pixels;
    }
    return font;
}

}  // namespace tarnwick::qt
