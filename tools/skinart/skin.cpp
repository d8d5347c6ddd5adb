#include "tools/skinart/skin.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "res/resource_ids.h"
#include "tools/skinart/art.h"

namespace skinart {
namespace {

using namespace velotune::res;

// ---- Fonts ----------------------------------------------------------------------------------

QFont BrandFont(qreal px, QFont::Weight weight = QFont::Bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(static_cast<int>(px));
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    f.setKerning(false);
    return f;
}

// ---- Glyphs ---------------------------------------------------------------------------------
// Each glyph draws into the face of a button of the given size, centred on it, in the colour of
// the state. Straight glyphs are whole pixels, so they stay crisp at their real size.

using Glyph = std::function<void(QPainter&, QSize, State)>;

void Triangle(QPainter& p, const QPolygonF& poly, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(poly);
    p.restore();
}

// A pixel triangle pointing up (or down) of `rows` rows, its widest row 2 * rows - 1 + extra.
void PixelTriangle(QPainter& p, int left, int top, int rows, bool up, int baseWidth,
                   const QColor& c) {
    for (int i = 0; i < rows; ++i) {
        const int row = up ? i : rows - 1 - i;
        const int w = baseWidth - 2 * (rows - 1 - i);
        FillPx(p, left + (baseWidth - w) / 2, top + row, w, 1, c);
    }
}

void PlayGlyph(QPainter& p, QSize s, State st) {
    const qreal cx = s.width() / 2.0, cy = s.height() / 2.0;
    Triangle(p,
             QPolygonF({QPointF(cx - 3.5, cy - 5), QPointF(cx - 3.5, cy + 5), QPointF(cx + 5, cy)}),
             GlyphColor(st));
}

void PauseGlyph(QPainter& p, QSize s, State st) {
    const int cx = s.width() / 2, top = (s.height() - 10) / 2;
    FillPx(p, cx - 4, top, 3, 10, GlyphColor(st));
    FillPx(p, cx + 2, top, 3, 10, GlyphColor(st));
}

void StopGlyph(QPainter& p, QSize s, State st) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(GlyphColor(st));
    const int cx = s.width() / 2, top = (s.height() - 9) / 2;
    p.drawRoundedRect(QRectF(cx - 4, top, 9, 9), 1.5, 1.5);
    p.restore();
}

void RecordGlyph(QPainter& p, QSize s, State st) {
    QColor c = color::kRecord;
    if (st == State::Hover)
        c = QColor(0xff, 0x6b, 0x70);
    else if (st == State::Pressed)
        c = QColor(0xc9, 0x35, 0x3b);
    else if (st == State::Disabled)
        c = QColor(0x5a, 0x40, 0x44);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    const QPointF centre(s.width() / 2.0, s.height() / 2.0);
    if (st == State::Hover || st == State::Pressed) {
        QRadialGradient glow(centre, 9);
        glow.setColorAt(0, WithAlpha(c, 120));
        glow.setColorAt(1, WithAlpha(c, 0));
        p.setBrush(glow);
        p.drawEllipse(centre, 9, 9);
    }
    p.setBrush(c);
    p.drawEllipse(centre, 5, 5);
    p.restore();
}

void InfoGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    const QPointF centre(s.width() / 2.0, s.height() / 2.0);
    p.drawEllipse(centre, 6.2, 6.2);
    p.restore();
    const int cx = s.width() / 2;
    const int top = static_cast<int>(centre.y()) - 4;
    FillPx(p, cx - 1, top, 2, 2, c);
    FillPx(p, cx - 1, top + 3, 2, 5, c);
}

void OpenListGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    const int left = (s.width() - 10) / 2, top = (s.height() - 9) / 2;
    for (int i = 0; i < 3; ++i) {
        FillPx(p, left, top + i * 4, 2, 2, c);
        FillPx(p, left + 3, top + i * 4, 7, 2, c);
    }
}

void OpenMenuGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    const int cx = s.width() / 2, cy = s.height() / 2;
    // A small chevron: the button opens a menu.
    PixelTriangle(p, cx - 3, cy - 1, 3, false, 6, c);
}

void PrevGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    // The top of the shape gives way to the Menu button, so centre in the lower part.
    const int left = (s.width() - 5) / 2, top = 14;
    FillPx(p, left, top, 5, 1, c);
    PixelTriangle(p, left, top + 2, 3, true, 5, c);
    PixelTriangle(p, left, top + 5, 3, true, 5, c);
}

void NextGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    const int left = (s.width() - 5) / 2, top = 8;
    PixelTriangle(p, left, top, 3, false, 5, c);
    PixelTriangle(p, left, top + 3, 3, false, 5, c);
    FillPx(p, left, top + 7, 5, 1, c);
}

void CenterGlyph(QPainter& p, QSize s, State st) {
    const QColor c = st == State::Normal ? color::kAccent : GlyphColor(st);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c, 1.2));
    p.setBrush(Qt::NoBrush);
    const QPointF centre(s.width() / 2.0, s.height() / 2.0);
    p.drawEllipse(centre, 3.6, 3.6);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(centre, 1.3, 1.3);
    p.restore();
}

void MenuGlyph(QPainter& p, QSize, State st) {
    const QColor c = GlyphColor(st);
    FillPx(p, 3, 3, 4, 1, c);
    FillPx(p, 3, 5, 4, 1, c);
    FillPx(p, 3, 7, 4, 1, c);
}

void CloseGlyph(QPainter& p, QSize s, State st) {
    if (st == State::Hover || st == State::Pressed) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(st == State::Hover ? color::kRecord : QColor(0xb8, 0x36, 0x3b));
        p.drawEllipse(QRectF(QPointF(0, 0), QSizeF(s)).adjusted(1, 1, -1, -1));
        p.restore();
    }
    const QColor c =
        st == State::Hover || st == State::Pressed ? QColor(Qt::white) : GlyphColor(st);
    for (int i = 0; i < 4; ++i) {
        FillPx(p, 3 + i, 3 + i, 1, 1, c);
        FillPx(p, 6 - i, 3 + i, 1, 1, c);
    }
}

void MinimizeGlyph(QPainter& p, QSize, State st) {
    FillPx(p, 3, 6, 4, 1, GlyphColor(st));
}

void LayoutGlyph(QPainter& p, QSize, State st) {
    // A window with a thick title bar: "change the window's layout".
    const QColor c = GlyphColor(st);
    FillPx(p, 2, 3, 6, 2, c);
    FillPx(p, 2, 5, 1, 2, c);
    FillPx(p, 7, 5, 1, 2, c);
    FillPx(p, 2, 7, 6, 1, c);
}

void PresetGlyph(QPainter& p, QSize s, State st) {
    QColor led;
    switch (st) {
        case State::Normal:
            led = Mix(color::kAccent, QColor(0x2a, 0x2e, 0x37), 0.55);
            break;
        case State::Hover:
            led = Mix(color::kAccent, Qt::white, 0.1);
            break;
        case State::Pressed:
            led = color::kAccentBright;
            break;
        case State::Disabled:
            led = QColor(0x30, 0x34, 0x3c);
            break;
    }
    const int w = 7, left = (s.width() - w) / 2, top = s.height() / 2 - 1;
    if (st == State::Pressed) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(WithAlpha(color::kAccent, 90));
        p.drawRoundedRect(QRectF(left - 2, top - 2, w + 4, 6), 3, 3);
        p.restore();
    }
    FillPx(p, left, top, w, 2, led);
}

void MiniPlayGlyph(QPainter& p, QSize s, State st) {
    const int cx = s.width() / 2, top = (s.height() - 7) / 2;
    for (int i = 0; i < 4; ++i)
        FillPx(p, cx - 2 + i, top + i, 1, 7 - 2 * i, GlyphColor(st));
}

void MiniStopGlyph(QPainter& p, QSize s, State st) {
    FillPx(p, s.width() / 2 - 2, (s.height() - 5) / 2, 5, 5, GlyphColor(st));
}

void MiniPrevGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    const int cx = s.width() / 2, top = (s.height() - 7) / 2;
    FillPx(p, cx - 3, top, 1, 7, c);
    for (int i = 0; i < 4; ++i)
        FillPx(p, cx + 2 - i, top + i, 1, 7 - 2 * i, c);
}

void MiniNextGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    const int cx = s.width() / 2, top = (s.height() - 7) / 2;
    for (int i = 0; i < 4; ++i)
        FillPx(p, cx - 2 + i, top + i, 1, 7 - 2 * i, c);
    FillPx(p, cx + 3, top, 1, 7, c);
}

void AddGlyph(QPainter& p, QSize s, State st) {
    const int cx = s.width() / 2, cy = s.height() / 2;
    FillPx(p, cx - 1, cy - 4, 2, 8, GlyphColor(st));
    FillPx(p, cx - 4, cy - 1, 8, 2, GlyphColor(st));
}

void RemoveGlyph(QPainter& p, QSize s, State st) {
    const int cx = s.width() / 2, cy = s.height() / 2;
    FillPx(p, cx - 4, cy - 1, 8, 2, GlyphColor(st));
}

void EditGlyph(QPainter& p, QSize s, State st) {
    const QColor c = GlyphColor(st);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(s.width() / 2.0, s.height() / 2.0);
    p.translate(centre);
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(-3.2, -1.1, 6.0, 2.2));                                               // body
    p.drawPolygon(QPolygonF({QPointF(-4.0, -1.1), QPointF(-4.0, 1.1), QPointF(-6.0, 0)}));  // tip
    p.drawRect(QRectF(3.6, -1.1, 1.6, 2.2));  // eraser
    p.restore();
}

void UpGlyph(QPainter& p, QSize s, State st) {
    PixelTriangle(p, (s.width() - 7) / 2, (s.height() - 4) / 2, 4, true, 7, GlyphColor(st));
}

void DownGlyph(QPainter& p, QSize s, State st) {
    PixelTriangle(p, (s.width() - 7) / 2, (s.height() - 4) / 2, 4, false, 7, GlyphColor(st));
}

// ---- Buttons --------------------------------------------------------------------------------

// Prev and Next are tall keys with one corner cut at 45 degrees: Prev's top-left gives way to the
// round Menu button above it, and Next mirrors it, so the left rail reads as one rocker around
// the Center button.
Shape RockerKey(QSize size, bool cutTop) {
    return [size, cutTop](qreal inset) {
        const qreal w = size.width(), h = size.height(), cut = 8, r = 3;
        QPainterPath outline;
        if (cutTop) {
            outline.moveTo(0, cut);
            outline.lineTo(cut - 1, 0);
            outline.lineTo(w - r, 0);
            outline.quadTo(w, 0, w, r);
            outline.lineTo(w, h - r);
            outline.quadTo(w, h, w - r, h);
            outline.lineTo(r, h);
            outline.quadTo(0, h, 0, h - r);
        } else {
            outline.moveTo(r, 0);
            outline.lineTo(w - r, 0);
            outline.quadTo(w, 0, w, r);
            outline.lineTo(w, h - r);
            outline.quadTo(w, h, w - r, h);
            outline.lineTo(cut - 1, h);
            outline.lineTo(0, h - cut);
            outline.lineTo(0, r);
            outline.quadTo(0, 0, r, 0);
        }
        outline.closeSubpath();
        if (inset <= 0)
            return outline;
        QPainterPathStroker stroker;
        stroker.setWidth(2 * inset);
        stroker.setJoinStyle(Qt::MiterJoin);
        return outline.subtracted(stroker.createStroke(outline));
    };
}

struct ButtonArt {
    std::array<int, 4> ids;  // normal, hover, pressed, disabled (all equal: one face)
    QSize size;
    Shape shape;
    Glyph glyph;
    QColor accent = color::kAccent;
    bool pressShift = true;  // glyph moves down a pixel while pressed
};

const std::vector<ButtonArt>& Buttons() {
    static const std::vector<ButtonArt> kButtons = [] {
        std::vector<ButtonArt> b;
        const QSize transport(23, 21);
        auto rr = [](QSize s, qreal r) { return RoundedRect(QSizeF(s), r); };
        b.push_back({{kBmpPresetNormal, kBmpPresetHover, kBmpPresetPressed, kBmpPresetDisabled},
                     QSize(15, 12),
                     rr(QSize(15, 12), 3.5),
                     PresetGlyph,
                     color::kAccent,
                     false});
        b.push_back({{kBmpPlayNormal, kBmpPlayHover, kBmpPlayPressed, kBmpPlayDisabled},
                     transport,
                     rr(transport, 5),
                     PlayGlyph});
        b.push_back({{kBmpPauseNormal, kBmpPauseHover, kBmpPausePressed, kBmpPauseDisabled},
                     transport,
                     rr(transport, 5),
                     PauseGlyph});
        b.push_back({{kBmpStopNormal, kBmpStopHover, kBmpStopPressed, kBmpStopDisabled},
                     transport,
                     rr(transport, 5),
                     StopGlyph});
        b.push_back({{kBmpRecordNormal, kBmpRecordHover, kBmpRecordPressed, kBmpRecordDisabled},
                     transport,
                     rr(transport, 5),
                     RecordGlyph,
                     color::kRecord});
        b.push_back({{kBmpInfoNormal, kBmpInfoHover, kBmpInfoPressed, kBmpInfoDisabled},
                     transport,
                     rr(transport, 5),
                     InfoGlyph});
        b.push_back(
            {{kBmpOpenListNormal, kBmpOpenListHover, kBmpOpenListPressed, kBmpOpenListDisabled},
             QSize(18, 21),
             rr(QSize(18, 21), 5),
             OpenListGlyph});
        b.push_back(
            {{kBmpOpenMenuNormal, kBmpOpenMenuHover, kBmpOpenMenuPressed, kBmpOpenMenuDisabled},
             QSize(10, 15),
             rr(QSize(10, 15), 4),
             OpenMenuGlyph});
        b.push_back({{kBmpPrevNormal, kBmpPrevHover, kBmpPrevPressed, kBmpPrevDisabled},
                     QSize(9, 30),
                     RockerKey(QSize(9, 30), true),
                     PrevGlyph});
        b.push_back({{kBmpNextNormal, kBmpNextHover, kBmpNextPressed, kBmpNextDisabled},
                     QSize(9, 30),
                     RockerKey(QSize(9, 30), false),
                     NextGlyph});
        b.push_back({{kBmpCenterNormal, kBmpCenterHover, kBmpCenterPressed, kBmpCenterDisabled},
                     QSize(14, 14),
                     Ellipse(QSizeF(14, 14)),
                     CenterGlyph,
                     color::kAccent,
                     false});
        b.push_back({{kBmpMenuNormal, kBmpMenuHover, kBmpMenuPressed, kBmpMenuDisabled},
                     QSize(10, 10),
                     Ellipse(QSizeF(10, 10)),
                     MenuGlyph,
                     color::kAccent,
                     false});
        b.push_back({{kBmpCloseNormal, kBmpCloseHover, kBmpClosePressed, kBmpCloseDisabled},
                     QSize(10, 10),
                     Ellipse(QSizeF(10, 10)),
                     CloseGlyph,
                     color::kRecord,
                     false});
        b.push_back(
            {{kBmpMinimizeNormal, kBmpMinimizeHover, kBmpMinimizePressed, kBmpMinimizeDisabled},
             QSize(10, 10),
             Ellipse(QSizeF(10, 10)),
             MinimizeGlyph,
             color::kAccent,
             false});
        b.push_back({{kBmpLayoutNormal, kBmpLayoutHover, kBmpLayoutPressed, kBmpLayoutDisabled},
                     QSize(10, 10),
                     Ellipse(QSizeF(10, 10)),
                     LayoutGlyph,
                     color::kAccent,
                     false});
        const QSize mini(13, 10);
        b.push_back({{kBmpMiniPlay, kBmpMiniPlay, kBmpMiniPlay, kBmpMiniPlay},
                     mini,
                     rr(mini, 3.5),
                     MiniPlayGlyph});
        b.push_back({{kBmpMiniStop, kBmpMiniStop, kBmpMiniStop, kBmpMiniStop},
                     mini,
                     rr(mini, 3.5),
                     MiniStopGlyph});
        b.push_back({{kBmpMiniPrev, kBmpMiniPrev, kBmpMiniPrev, kBmpMiniPrev},
                     mini,
                     rr(mini, 3.5),
                     MiniPrevGlyph});
        b.push_back({{kBmpMiniNext, kBmpMiniNext, kBmpMiniNext, kBmpMiniNext},
                     mini,
                     rr(mini, 3.5),
                     MiniNextGlyph});
        const QSize listButton(26, 16), arrow(18, 10);
        b.push_back({{kBmpListAddNormal, kBmpListAddHover, kBmpListAddPressed, kBmpListAddDisabled},
                     listButton,
                     rr(listButton, 5),
                     AddGlyph});
        b.push_back(
            {{kBmpListEditNormal, kBmpListEditHover, kBmpListEditPressed, kBmpListEditDisabled},
             listButton,
             rr(listButton, 5),
             EditGlyph});
        b.push_back({{kBmpListRemoveNormal, kBmpListRemoveHover, kBmpListRemovePressed,
                      kBmpListRemoveDisabled},
                     listButton,
                     rr(listButton, 5),
                     RemoveGlyph});
        b.push_back({{kBmpListUpNormal, kBmpListUpHover, kBmpListUpPressed, kBmpListUpDisabled},
                     arrow,
                     rr(arrow, 3.5),
                     UpGlyph,
                     color::kAccent,
                     false});
        b.push_back(
            {{kBmpListDownNormal, kBmpListDownHover, kBmpListDownPressed, kBmpListDownDisabled},
             arrow,
             rr(arrow, 3.5),
             DownGlyph,
             color::kAccent,
             false});
        return b;
    }();
    return kButtons;
}

QImage PaintButton(const ButtonArt& art, State state) {
    QImage canvas = Canvas(art.size.width(), art.size.height());
    QPainter p(&canvas);
    PaintCap(p, art.shape, state, art.accent);
    p.setClipPath(art.shape(1));
    if (state == State::Pressed && art.pressShift)
        p.translate(0, 1);
    art.glyph(p, art.size, state);
    p.end();
    return Flatten(canvas, kKeyButton);
}

// ---- Window surfaces ------------------------------------------------------------------------

// The body of a window: outline, graphite face with a soft vertical gradient, a line of light
// along the top. `gradientHeight` fixes the gradient so that pieces cut from the same surface
// (the slider background) match it.
void PaintBody(QPainter& p, QSize size, qreal radius, qreal gradientHeight) {
    const Shape body = RoundedRect(QSizeF(size), radius);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(body(0), color::kEdge);
    QLinearGradient g(0, 0, 0, gradientHeight);
    g.setColorAt(0, color::kBodyTop);
    g.setColorAt(1, color::kBodyBottom);
    p.fillPath(body(1), g);
    const QPainterPath face = body(1);
    p.fillPath(face.subtracted(face.translated(0, 1)), QColor(255, 255, 255, 26));
    p.restore();
}

// A recessed panel: dark fill, a shadow line inside the top, a line of light below the bottom.
void PaintWell(QPainter& p, const QRectF& r, qreal radius, const QColor& fill) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath outer;
    outer.addRoundedRect(r.adjusted(0, 0, 0, 1), radius, radius);
    QPainterPath inner;
    inner.addRoundedRect(r, radius, radius);
    p.fillPath(outer.subtracted(inner), QColor(255, 255, 255, 18));
    p.fillPath(inner, fill);
    p.restore();
}

// A display: a black bezel line around black glass, so the display line, which paints pure
// black, sits in it seamlessly.
void PaintScreen(QPainter& p, const QRect& r, qreal radius) {
    PaintWell(p, r, radius, color::kBezel);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath glass;
    glass.addRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.fillPath(glass, color::kGlass);
    p.restore();
}

void PaintWordmark(QPainter& p, qreal x, qreal baseline, qreal px, const QColor& c) {
    DrawText(p, x, baseline, QStringLiteral("VELOTUNE"), BrandFont(px), c, px * 0.16);
}

constexpr int kMainW = 300, kMainH = 104;
constexpr QPoint kSliderPos(279, 18);
constexpr QSize kSliderSize(20, 72);

void PaintSliderWell(QPainter& p, QPoint at) {
    PaintWell(p, QRectF(at, kSliderSize), 5, color::kPanel);
}

QImage MainView() {
    QImage art = Canvas(kMainW, kMainH);
    QPainter p(&art);
    PaintBody(p, art.size(), 9, kMainH);

    // Title row: mark and wordmark between the Menu button and the window buttons.
    DrawMark(p, QPointF(30.5, 11), 5.5, color::kAccent, 1.2);
    PaintWordmark(p, 40, 15, 9, color::kText);
    DrawText(p, 40 + TextWidth(QStringLiteral("VELOTUNE"), BrandFont(9), 9 * 0.16) + 7, 15,
             QStringLiteral("INTERNET RADIO"), BrandFont(7, QFont::Normal), color::kTextDim, 1);

    // The display: a tuning scale above the scrolling line.
    const QRect screen(21, 21, 254, 46);
    PaintScreen(p, screen, 6);
    for (int i = 0, x = 29; x <= 267; ++i, x += 6) {
        const bool major = i % 5 == 0;
        FillPx(p, x, major ? 29 : 32, 1, major ? 6 : 3,
               major ? QColor(0x33, 0x47, 0x78) : QColor(0x1f, 0x2a, 0x45));
    }
    FillPx(p, 29, 36, 239, 1, QColor(0x1a, 0x23, 0x3a));

    // The tuning rail on the left (Prev, Center, Next) and the deck below the display.
    PaintWell(p, QRectF(3, 42, 18, 18), 9, color::kPanel);

    // Preset numbers above the preset keys.
    const int presetX[] = {44, 61, 78, 96, 113, 130};
    for (int i = 0; i < 6; ++i)
        DrawPixelDigit(p, presetX[i] + 6, 76, static_cast<char>('1' + i), color::kTextDim);

    PaintSliderWell(p, kSliderPos);
    p.end();
    return Flatten(art, kKeyWindow);
}

QImage SliderBackground() {
    // The slider shows the top-left 20 x 72 pixels; the rest continues the surface.
    QImage art = Canvas(30, 120);
    QPainter p(&art);
    p.translate(-kSliderPos.x(), -kSliderPos.y());
    // The same surface as the main view at the slider's place, without the window's corners.
    QLinearGradient g(0, 0, 0, kMainH);
    g.setColorAt(0, color::kBodyTop);
    g.setColorAt(1, color::kBodyBottom);
    p.fillRect(QRect(kSliderPos, QSize(30, 120)), g);
    PaintSliderWell(p, kSliderPos);
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

QImage Minibar() {
    QImage art = Canvas(300, 18);
    QPainter p(&art);
    PaintBody(p, art.size(), 7, 18);
    DrawMark(p, QPointF(30.5, 10), 5, color::kAccent, 1.1);
    PaintScreen(p, QRect(45, 3, 134, 10), 3);
    p.end();
    return Flatten(art, kKeyWindow);
}

QImage ListWindow() {
    QImage art = Canvas(300, 252);
    QPainter p(&art);
    PaintBody(p, art.size(), 9, 252);
    DrawMark(p, QPointF(16.5, 12), 5.5, color::kAccent, 1.2);
    PaintWordmark(p, 26, 16, 9, color::kText);
    // The list control paints black; its glass is exactly the list's rectangle.
    PaintScreen(p, QRect(9, 27, 282, 190), 5);
    p.end();
    return Flatten(art, kKeyWindow);
}

QImage AboutLogo() {
    QImage art = Canvas(240, 64);
    QPainter p(&art);
    PaintBody(p, art.size(), 12, 64);
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient glow(QPointF(34, 32), 26);
    glow.setColorAt(0, WithAlpha(color::kAccent, 70));
    glow.setColorAt(1, WithAlpha(color::kAccent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(34, 32), 26, 26);
    DrawMark(p, QPointF(34, 32), 17, color::kAccent, 3);
    QFont title = BrandFont(27);
    DrawText(p, 64, 36, QStringLiteral("Velotune"), title, color::kText, 0.3);
    DrawText(p, 65, 51, QStringLiteral("INTERNET RADIO"), BrandFont(9, QFont::Normal),
             color::kTextDim, 2.2);
    p.end();
    return Flatten(art, kKeyLogo);
}

}  // namespace

QImage PaintBitmap(int id) {
    switch (id) {
        case kBmpMainView:
            return MainView();
        case kBmpMinibar:
            return Minibar();
        case kBmpListWindow:
            return ListWindow();
        case kBmpSliderBackground:
            return SliderBackground();
        case kBmpAboutLogo:
            return AboutLogo();
        default:
            break;
    }
    for (const ButtonArt& art : Buttons()) {
        for (int s = 0; s < 4; ++s) {
            if (art.ids[static_cast<size_t>(s)] == id)
                return PaintButton(
                    art, art.ids[0] == art.ids[1] ? State::Normal : static_cast<State>(s));
        }
    }
    return QImage();
}

QImage PaintIcon(int id, int size) {
    if (id != kIconApp && id != kIconTray)
        return QImage();
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    const qreal pad = size <= 24 ? 0.5 : s * 0.06;
    const QRectF plate(pad, pad, s - 2 * pad, s - 2 * pad);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, QColor(0x33, 0x39, 0x48));
    g.setColorAt(1, QColor(0x14, 0x17, 0x1e));
    p.setPen(QPen(color::kEdge, std::max(1.0, s / 64)));
    p.setBrush(g);
    if (id == kIconApp)
        p.drawRoundedRect(plate, plate.width() * 0.23, plate.width() * 0.23);
    else
        p.drawEllipse(plate);
    const qreal r = plate.width() * (size <= 16 ? 0.36 : size <= 24 ? 0.40 : 0.34);
    const qreal pen = std::max(1.4, s * (size <= 24 ? 0.085 : 0.07));
    DrawMark(p, plate.center(), r, color::kAccent, size <= 16 ? 1.6 : pen, size <= 16 ? 1 : 2);
    p.end();
    return icon;
}

QList<Placement> MainViewPlacements() {
    return {
        {kBmpPresetNormal, {44, 84}},    {kBmpPresetNormal, {61, 84}},
        {kBmpPresetNormal, {78, 84}},    {kBmpPresetNormal, {96, 84}},
        {kBmpPresetNormal, {113, 84}},   {kBmpPresetNormal, {130, 84}},
        {kBmpPlayNormal, {148, 75}},     {kBmpStopNormal, {174, 75}},
        {kBmpRecordNormal, {199, 75}},   {kBmpInfoNormal, {224, 75}},
        {kBmpOpenListNormal, {249, 75}}, {kBmpOpenMenuNormal, {268, 78}},
        {kBmpPrevNormal, {11, 11}},      {kBmpNextNormal, {11, 60}},
        {kBmpCenterNormal, {4, 44}},     {kBmpMenuNormal, {5, 6}},
        {kBmpCloseNormal, {283, 6}},     {kBmpMinimizeNormal, {261, 6}},
        {kBmpLayoutNormal, {272, 6}},
    };
}

QList<Placement> MinibarPlacements() {
    return {
        {kBmpMiniPlay, {180, 6}},       {kBmpMiniStop, {195, 6}},     {kBmpMiniPrev, {210, 6}},
        {kBmpMiniNext, {225, 6}},       {kBmpMenuNormal, {6, 6}},     {kBmpCloseNormal, {285, 6}},
        {kBmpMinimizeNormal, {261, 6}}, {kBmpLayoutNormal, {273, 6}},
    };
}

QList<Placement> ListWindowPlacements() {
    return {
        {kBmpListCloseNormal, {286, 7}}, {kBmpListAddNormal, {17, 227}},
        {kBmpListEditNormal, {47, 227}}, {kBmpListRemoveNormal, {76, 227}},
        {kBmpListUpNormal, {226, 224}},  {kBmpListDownNormal, {226, 235}},
    };
}

namespace {

// Lays the button images over a window image the way shaped child windows show: only the
// pixels inside each button's shape.
void Place(QImage& window, const QList<Placement>& placements) {
    for (const Placement& pl : placements) {
        const QImage button = PaintBitmap(pl.normalId);
        for (int y = 0; y < button.height(); ++y)
            for (int x = 0; x < button.width(); ++x) {
                const QRgb px = button.pixel(x, y);
                if ((px & 0xffffff) != kKeyButton)
                    window.setPixel(pl.pos.x() + x, pl.pos.y() + y, px);
            }
    }
}

// Shows a window image as the screen would: outside its shape, the desktop.
QImage OnDesktop(const QImage& window) {
    QImage out(window.size() + QSize(24, 24), QImage::Format_RGB32);
    out.fill(QColor(0x6f, 0x7d, 0x8c));
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            const QRgb px = window.pixel(x, y);
            if ((px & 0xffffff) != kKeyWindow)
                out.setPixel(x + 12, y + 12, px);
        }
    return out;
}

void SampleText(QImage& window, const QRect& r, int px, const QString& text) {
    QPainter p(&window);
    p.setClipRect(r);
    p.fillRect(r, Qt::black);
    QFont f(QStringLiteral("Nimbus Sans"));
    f.setPixelSize(px);
    p.setFont(f);
    p.setPen(QColor(240, 240, 255));
    p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void SampleSlider(QImage& window, int value) {
    // Roughly what the volume slider draws with the colours the main window gives it.
    QPainter p(&window);
    p.drawImage(kSliderPos, PaintBitmap(kBmpSliderBackground), QRect(QPoint(0, 0), kSliderSize));
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF channel(kSliderPos.x() + 7, kSliderPos.y() + 5, 4, kSliderSize.height() - 10);
    p.setPen(QColor(0x10, 0x12, 0x16));
    p.setBrush(QColor(196, 196, 255));
    p.drawRoundedRect(channel, 2, 2);
    const qreal y = channel.top() + channel.height() * value / 100.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(153, 153, 153));
    p.drawRect(QRectF(kSliderPos.x() + 2, y - 4, 14, 8));
}

QImage Scaled(const QImage& image, int factor) {
    return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace

QImage PreviewMainView() {
    QImage window = PaintBitmap(kBmpMainView);
    Place(window, MainViewPlacements());
    SampleText(window, QRect(22, 41, 252, 21), 19,
               QStringLiteral("You are tuned to Radio Paradise"));
    SampleSlider(window, 35);
    return Scaled(OnDesktop(window), 3);
}

QImage PreviewMinibar() {
    QImage window = PaintBitmap(kBmpMinibar);
    Place(window, MinibarPlacements());
    SampleText(window, QRect(46, 4, 132, 8), 10, QStringLiteral("You are tuned to Radio Paradise"));
    return Scaled(OnDesktop(window), 3);
}

QImage PreviewListWindow() {
    QImage window = PaintBitmap(kBmpListWindow);
    Place(window, ListWindowPlacements());
    QPainter p(&window);
    QFont f(QStringLiteral("Nimbus Sans"));
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(Qt::white);
    const char* rows[] = {"1   Radio Paradise", "2   Jazz FM", "3   Classic Rock 101"};
    for (int i = 0; i < 3; ++i)
        p.drawText(QPoint(14, 42 + i * 15), QString::fromLatin1(rows[i]));
    p.end();
    return Scaled(OnDesktop(window), 2);
}

QImage PreviewButtonStates() {
    // Two buttons a row, each in its four states: normal, hover, pressed, disabled.
    const auto& buttons = Buttons();
    const int cell = 32, perRow = 2;
    const int rows = (static_cast<int>(buttons.size()) + perRow - 1) / perRow;
    QImage sheet(perRow * 4 * cell + 16, rows * cell + 8, QImage::Format_RGB32);
    sheet.fill(color::kBodyBottom);
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        const ButtonArt& art = buttons[static_cast<size_t>(i)];
        const int ox = 4 + (i % perRow) * (4 * cell + 8), oy = 4 + (i / perRow) * cell;
        for (int s = 0; s < 4; ++s) {
            const QImage img = PaintBitmap(art.ids[static_cast<size_t>(s)]);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb px = img.pixel(x, y);
                    if ((px & 0xffffff) != kKeyButton)
                        sheet.setPixel(ox + s * cell + x, oy + y, px);
                }
        }
    }
    return Scaled(sheet, 3);
}

}  // namespace skinart
