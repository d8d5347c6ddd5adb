#include "tools/skinart/art.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <algorithm>
#include <cstdlib>

namespace skinart {

Shape RoundedRect(QSizeF size, qreal radius) {
    return [size, radius](qreal inset) {
        QPainterPath path;
        const QRectF r = QRectF(QPointF(0, 0), size).adjusted(inset, inset, -inset, -inset);
        const qreal rr = std::max<qreal>(0, radius - inset);
        path.addRoundedRect(r, rr, rr);
        return path;
    };
}

Shape Ellipse(QSizeF size) {
    return [size](qreal inset) {
        QPainterPath path;
        path.addEllipse(QRectF(QPointF(0, 0), size).adjusted(inset, inset, -inset, -inset));
        return path;
    };
}

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QColor Mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(
        a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
        a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QImage Flatten(const QImage& art, QRgb key) {
    const QImage src = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(src.size(), QImage::Format_RGB32);
    const QRgb matte = color::kEdge.rgb();
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a < 128) {
                dst[x] = key;
                continue;
            }
            // Premultiplied colour over the matte.
            int r = qRed(in[x]) + (255 - a) * qRed(matte) / 255;
            int g = qGreen(in[x]) + (255 - a) * qGreen(matte) / 255;
            int b = qBlue(in[x]) + (255 - a) * qBlue(matte) / 255;
            if (std::abs(r - qRed(key)) <= 8 && std::abs(g - qGreen(key)) <= 8 &&
                std::abs(b - qBlue(key)) <= 8) {
                g = qGreen(key) < 128 ? qGreen(key) + 12 : qGreen(key) - 12;
            }
            dst[x] = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
        }
    }
    return out;
}

void FillPx(QPainter& p, int x, int y, int w, int h, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(x, y, w, h), c);
    p.restore();
}

QColor GlyphColor(State state) {
    switch (state) {
        case State::Normal:
            return QColor(0xd4, 0xd9, 0xe3);
        case State::Hover:
            return QColor(0xff, 0xff, 0xff);
        case State::Pressed:
            return color::kAccentBright;
        case State::Disabled:
            return QColor(0x4a, 0x4f, 0x5a);
    }
    return Qt::white;
}

void PaintCap(QPainter& p, const Shape& shape, State state, const QColor& accent) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);

    const QPainterPath outline = shape(0);
    const QPainterPath face = shape(1);
    const QRectF box = outline.boundingRect();

    QColor top, bottom, light, border = color::kEdge;
    switch (state) {
        case State::Normal:
            top = QColor(0x3a, 0x3f, 0x4b);
            bottom = QColor(0x2a, 0x2e, 0x37);
            light = QColor(255, 255, 255, 34);
            break;
        case State::Hover:
            top = QColor(0x46, 0x4d, 0x5c);
            bottom = QColor(0x33, 0x38, 0x44);
            light = QColor(255, 255, 255, 56);
            border = Mix(color::kEdge, accent, 0.85);
            break;
        case State::Pressed:
            top = QColor(0x16, 0x18, 0x1d);
            bottom = QColor(0x21, 0x24, 0x2b);
            light = QColor(0, 0, 0, 90);  // an inner shadow along the top
            border = Mix(color::kEdge, accent, 0.45);
            break;
        case State::Disabled:
            top = QColor(0x24, 0x27, 0x2e);
            bottom = QColor(0x21, 0x24, 0x2a);
            light = QColor(0, 0, 0, 0);
            break;
    }

    p.fillPath(outline, border);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillPath(face, fill);
    if (light.alpha() > 0) {
        // A one-pixel line of light (or shadow) along the top of the face.
        p.setClipPath(face);
        p.fillPath(face.subtracted(face.translated(0, 1)), light);
        p.setClipping(false);
    }
    p.restore();
}

void DrawText(QPainter& p, qreal x, qreal y, const QString& text, const QFont& font,
              const QColor& c, qreal spacing) {
    QFont f = font;
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    p.save();
    p.setFont(f);
    p.setPen(c);
    p.drawText(QPointF(x, y), text);
    p.restore();
}

qreal TextWidth(const QString& text, const QFont& font, qreal spacing) {
    QFont f = font;
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return QFontMetricsF(f).horizontalAdvance(text) - (text.isEmpty() ? 0 : spacing);
}

void DrawMark(QPainter& p, QPointF c, qreal r, const QColor& color, qreal pen, int arcs) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    const qreal dot = std::max<qreal>(1.2, r * 0.26);
    p.drawEllipse(c, dot, dot);
    QPen arcPen(color, pen, Qt::SolidLine, Qt::RoundCap);
    p.setPen(arcPen);
    p.setBrush(Qt::NoBrush);
    for (qreal rad : {r * 0.58, r}) {
        if (arcs == 1 && rad < r)
            continue;
        const QRectF box(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad);
        p.drawArc(box, -50 * 16, 100 * 16);         // right
        p.drawArc(box, (180 - 50) * 16, 100 * 16);  // left
    }
    p.restore();
}

void DrawPixelDigit(QPainter& p, int x, int y, char digit, const QColor& c) {
    // Rows of 3 bits, most significant bit on the left.
    static const unsigned char kFont[10][5] = {
        {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
        {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
    };
    if (digit < '0' || digit > '9')
        return;
    const auto& rows = kFont[digit - '0'];
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
            if (rows[row] & (4 >> col))
                FillPx(p, x + col, y + row, 1, 1, c);
}

}  // namespace skinart
