// tools/skinart/art.h
//
// Drawing helpers for the skin generator: the palette of the look, canvases, shapes that are
// later cut out by a key colour, and the step that turns a soft-edged painting into an image
// whose shape a key colour describes exactly.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <functional>

namespace skinart {

// The look: a dark graphite body, black display glass and one blue accent that matches the
// volume slider's selection colour.
namespace color {
inline const QColor kEdge(0x0a, 0x0b, 0x0e);  // outline of every shape; also the matte
inline const QColor kBodyTop(0x2a, 0x2e, 0x38);
inline const QColor kBodyBottom(0x1b, 0x1e, 0x25);
inline const QColor kPanel(0x15, 0x17, 0x1c);
inline const QColor kGlass(0, 0, 0);  // the display line paints pure black
inline const QColor kBezel(0x05, 0x06, 0x08);
inline const QColor kAccent(0x5b, 0x8c, 0xff);
inline const QColor kAccentBright(0x9c, 0xbc, 0xff);
inline const QColor kRecord(0xef, 0x4c, 0x52);
inline const QColor kText(0xe6, 0xea, 0xf2);
inline const QColor kTextDim(0x8a, 0x93, 0xa6);
inline const QColor kTextFaint(0x4c, 0x53, 0x63);
}  // namespace color

// The four faces of a button.
enum class State { Normal, Hover, Pressed, Disabled };

// A shape as a function of an inset in pixels: the outline at inset 0, the face at inset 1.
using Shape = std::function<QPainterPath(qreal inset)>;

Shape RoundedRect(QSizeF size, qreal radius);
Shape Ellipse(QSizeF size);

// A transparent ARGB canvas.
QImage Canvas(int width, int height);

// Mixes a and b: t = 0 gives a, t = 1 gives b.
QColor Mix(const QColor& a, const QColor& b, qreal t);
QColor WithAlpha(QColor c, int alpha);

// Turns a soft-edged painting into an opaque image cut by `key`: pixels at least half covered
// become opaque (their soft part laid over the edge colour), the rest become the key colour.
// Opaque pixels that would fall within 8 of the key in every channel are moved out of reach,
// so the shape is exactly the painted one.
QImage Flatten(const QImage& art, QRgb key);

// Fills whole pixels without antialiasing.
void FillPx(QPainter& p, int x, int y, int w, int h, const QColor& c);

// Paints the face of a button (outline, face, light) in `shape` for `state`.
void PaintCap(QPainter& p, const Shape& shape, State state, const QColor& accent = color::kAccent);

// The glyph colour of a button face in `state`.
QColor GlyphColor(State state);

// Draws `text` with its left edge at x and its baseline at y, letters `spacing` apart.
void DrawText(QPainter& p, qreal x, qreal y, const QString& text, const QFont& font,
              const QColor& c, qreal spacing = 0);
qreal TextWidth(const QString& text, const QFont& font, qreal spacing = 0);

// The broadcast mark of the product: a dot with two arcs on each side, centred at c, `r` the
// radius of the outer arcs. Very small marks drop the inner arcs (`arcs` = 1).
void DrawMark(QPainter& p, QPointF c, qreal r, const QColor& color, qreal pen, int arcs = 2);

// A 3 x 5 pixel digit ('0'..'9') at (x, y).
void DrawPixelDigit(QPainter& p, int x, int y, char digit, const QColor& c);

}  // namespace skinart
