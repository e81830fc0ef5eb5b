// Draws the demo editor's images at build time, so no binary art is kept in the sources.
//   artgen <output folder>
// Knobs are film strips of 101 frames stacked top to bottom; buttons have the rows on, off,
// pressed and disabled. Knob and button strips also come as "@2x" variants, drawn at twice the
// resolution for high-dpi screens.

#include "artgen_gif.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {

constexpr int kKnobFrames = 101;
constexpr double kPi = 3.14159265358979323846;

struct KnobLook
{
    const char *name;
    int size;
    QColor cap;
    QColor arc;
    bool bipolar; // arc grows from the top (pan, EQ gain)
};

// A transparent image of w x h logical pixels at ratio device pixels per pixel; painters on it
// draw in logical pixels.
QImage newImage(int w, int h, int ratio = 1)
{
    QImage img(w * ratio, h * ratio, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::transparent);
    return img;
}

void drawKnobFrame(QPainter &p, const KnobLook &look, double t)
{
    const double s = look.size;
    const QRectF face(s * 0.16, s * 0.16, s * 0.68, s * 0.68);
    p.setRenderHint(QPainter::Antialiasing);

    // Value arc over 270 degrees, starting at the lower left.
    const double startDeg = 225.0;
    QPen track(QColor(40, 40, 44), s * 0.07, Qt::SolidLine, Qt::FlatCap);
    const QRectF arcRect(s * 0.07, s * 0.07, s * 0.86, s * 0.86);
    p.setPen(track);
    p.drawArc(arcRect, int(startDeg * 16), int(-270 * 16));
    QPen lit(look.arc, s * 0.07, Qt::SolidLine, Qt::FlatCap);
    p.setPen(lit);
    if (look.bipolar)
        p.drawArc(arcRect, 90 * 16, int(-(t - 0.5) * 270 * 16));
    else
        p.drawArc(arcRect, int(startDeg * 16), int(-t * 270 * 16));

    QRadialGradient g(face.center() - QPointF(s * 0.1, s * 0.1), s * 0.45);
    g.setColorAt(0, look.cap.lighter(150));
    g.setColorAt(1, look.cap.darker(160));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(g);
    p.drawEllipse(face);

    const double a = (startDeg - t * 270.0) * kPi / 180.0;
    const QPointF c = face.center();
    const QPointF tip(c.x() + std::cos(a) * s * 0.30, c.y() - std::sin(a) * s * 0.30);
    const QPointF base(c.x() + std::cos(a) * s * 0.10, c.y() - std::sin(a) * s * 0.10);
    p.setPen(QPen(Qt::white, std::max(1.5, s * 0.05), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(base, tip);
}

QImage knobStrip(const KnobLook &look, int ratio = 1)
{
    QImage img = newImage(look.size, look.size * kKnobFrames, ratio);
    QPainter p(&img);
    for (int i = 0; i < kKnobFrames; ++i) {
        p.save();
        p.translate(0, i * look.size);
        drawKnobFrame(p, look, double(i) / (kKnobFrames - 1));
        p.restore();
    }
    return img;
}

QImage faderThumb(int w = 26, int h = 40)
{
    QImage img = newImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(230, 230, 230));
    g.setColorAt(0.45, QColor(150, 150, 155));
    g.setColorAt(0.5, QColor(40, 40, 40));
    g.setColorAt(0.55, QColor(150, 150, 155));
    g.setColorAt(1, QColor(90, 90, 95));
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 3, 3);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(3, h / 2, w - 3, h / 2);
    return img;
}

QImage faderGroove(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(52, 54, 58));
    QPainter p(&img);
    p.setPen(QColor(110, 110, 115));
    // Scale ticks every tenth of the travel.
    for (int i = 0; i <= 10; ++i) {
        const int y = 20 + (h - 40) * i / 10;
        p.drawLine(2, y, 7, y);
        p.drawLine(w - 8, y, w - 3, y);
    }
    p.fillRect(QRect(w / 2 - 2, 18, 4, h - 36), QColor(15, 15, 15));
    return img;
}

// Rows on, off, pressed, disabled.
QImage buttonStrip(const QString &label, const QColor &lit, int w, int h, int ratio = 1)
{
    QImage img = newImage(w, h * 4, ratio);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor faces[4] = {lit, QColor(70, 72, 76), lit.darker(140), QColor(60, 60, 60)};
    const QColor text[4] = {Qt::black, QColor(200, 200, 200), Qt::black, QColor(110, 110, 110)};
    QFont f = p.font();
    f.setPixelSize(h / 2);
    f.setBold(true);
    p.setFont(f);
    for (int row = 0; row < 4; ++row) {
        const QRectF r(1, row * h + 1, w - 2, h - 2);
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(faces[row]);
        p.drawRoundedRect(r, 3, 3);
        p.setPen(text[row]);
        p.drawText(r, Qt::AlignCenter, label);
    }
    return img;
}

// A lit and an unlit meter column side by side (green, yellow from 3/4, red at the top).
QImage meterImage(int w, int h)
{
    QImage img(w * 2, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(10, 10, 10));
    QPainter p(&img);
    for (int y = 0; y < h; y += 2) {
        const double level = 1.0 - double(y) / h;
        QColor c = level > 0.92 ? QColor(240, 40, 30)
                : level > 0.75  ? QColor(240, 210, 40)
                                : QColor(40, 220, 70);
        p.fillRect(QRect(0, y, w, 1), c);
        p.fillRect(QRect(w, y, w, 1), c.darker(400));
    }
    return img;
}

// Radio choice: rows on, off, pressed (the type's name on a rounded face).
QImage radioStrip(const QString &label, int w, int h)
{
    QImage img = newImage(w, h * 3);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor faces[3] = {QColor(90, 200, 250), QColor(58, 62, 68), QColor(40, 120, 170)};
    const QColor text[3] = {Qt::black, QColor(190, 190, 190), Qt::white};
    QFont f = p.font();
    f.setPixelSize(h / 2);
    f.setBold(true);
    p.setFont(f);
    for (int row = 0; row < 3; ++row) {
        const QRectF r(1, row * h + 1, w - 2, h - 2);
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(faces[row]);
        p.drawRoundedRect(r, 4, 4);
        p.setBrush(row == 1 ? QColor(30, 30, 30) : QColor(250, 250, 250));
        p.drawEllipse(QRectF(5, row * h + h / 2.0 - 3, 6, 6));
        p.setPen(text[row]);
        p.drawText(r.adjusted(12, 0, 0, 0), Qt::AlignCenter, label);
    }
    return img;
}

// A lamp strip of three frames stacked: off, below its threshold (dim) and at or above (lit).
QImage thresholdLampStrip(const QColor &lit, int side)
{
    QImage img(side, side * 3, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(24, 26, 30));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor faces[] = {QColor(50, 52, 58), lit.darker(260), lit};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QColor(12, 12, 14));
        p.setBrush(faces[i]);
        p.drawEllipse(QRectF(1.5, i * side + 1.5, side - 3, side - 3));
    }
    return img;
}

// One frame per compressor type: its transfer curve above the knee.
QImage typeDisplayStrip(int side, int types)
{
    QImage img(side, side * types, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(18, 20, 24));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double ratios[] = {2.0, 0.5, 4.0, 100.0}; // below 1: expander
    for (int t = 0; t < types; ++t) {
        const double top = t * side;
        p.setClipRect(QRectF(0, top, side, side));
        p.setPen(QPen(QColor(60, 66, 76), 1));
        p.drawRect(QRectF(0.5, top + 0.5, side - 1, side - 1));
        const double knee = side * 0.55;
        QPainterPath path;
        path.moveTo(2, top + side - 2);
        path.lineTo(knee, top + side - knee);
        const double rest = side - 2 - knee;
        path.lineTo(side - 2, top + side - knee - rest / ratios[t % 4]);
        p.setPen(QPen(QColor(255, 190, 60), 2));
        p.drawPath(path);
    }
    return img;
}

// A round lamp: frame 0 dark, frame 1 lit.
QImage lampStrip(int side, const QColor &lit)
{
    QImage img = newImage(side, side * 2);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < 2; ++f) {
        QRadialGradient g(side / 2.0, f * side + side / 2.0, side / 2.0);
        const QColor c = f ? lit : lit.darker(450);
        g.setColorAt(0, c.lighter(f ? 150 : 110));
        g.setColorAt(1, c);
        p.setPen(QPen(QColor(15, 15, 15), 1));
        p.setBrush(g);
        p.drawEllipse(QRectF(1, f * side + 1, side - 2, side - 2));
    }
    return img;
}

// Tabs of a sub-panel switcher, one frame per selected tab.
QImage tabStrip(const QStringList &tabs, int tabW, int h)
{
    const int n = int(tabs.size());
    QImage img(tabW * n, h * n, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(30, 32, 36));
    QPainter p(&img);
    QFont f = p.font();
    f.setPixelSize(h / 2);
    f.setBold(true);
    p.setFont(f);
    for (int selected = 0; selected < n; ++selected) {
        for (int t = 0; t < n; ++t) {
            const QRect r(t * tabW + 1, selected * h + 1, tabW - 2, h - 1);
            p.fillRect(r, t == selected ? QColor(90, 160, 250) : QColor(58, 62, 68));
            p.setPen(t == selected ? Qt::black : QColor(190, 190, 190));
            p.drawText(r, Qt::AlignCenter, tabs.at(t));
        }
    }
    return img;
}

// An LED bar of segments, one frame per number of lit segments (0 to frames - 1), the frames
// stacked top to bottom.
QImage ledStrip(int frames, int w, int h)
{
    const int segments = frames - 1;
    const int pitch = h / segments;
    QImage img(w, h * frames, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(16, 17, 20));
    QPainter p(&img);
    for (int f = 0; f < frames; ++f) {
        for (int s = 0; s < segments; ++s) {
            const double level = double(s + 1) / segments;
            const QColor c = level > 0.9 ? QColor(240, 40, 30)
                    : level > 0.7        ? QColor(240, 210, 40)
                                         : QColor(40, 220, 70);
            const int y = f * h + h - (s + 1) * pitch;
            p.fillRect(QRect(1, y + 1, w - 2, pitch - 2), s < f ? c : c.darker(500));
        }
    }
    return img;
}

// Bus-assignment lamps: one band per bus, lit or dark, with its number.
QImage assignStrip(int w, int band, int buses, bool lit)
{
    QImage img(w, band * buses, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(16, 17, 20));
    QPainter p(&img);
    QFont f = p.font();
    f.setPixelSize(band - 1);
    p.setFont(f);
    for (int b = 0; b < buses; ++b) {
        const QRect r(1, b * band + 1, w - 2, band - 2);
        p.fillRect(r, lit ? QColor(250, 170, 40) : QColor(44, 40, 34));
        p.setPen(lit ? Qt::black : QColor(120, 110, 96));
        const QString name =
                b < 16 ? QString::number(b + 1) : QString::fromLatin1(b == 16 ? "ST" : "MN");
        p.drawText(r, Qt::AlignCenter, name);
    }
    return img;
}

// One frame per insert point, stacked: the pull-down shows the frame of the current choice.
QImage insertPointStrip(int w, int h)
{
    const char *const names[] = {"PRE EQ", "PRE DYN", "PRE FDR", "POST FDR"};
    QImage img(w, h * 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(24, 26, 30));
    QPainter p(&img);
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
        const QRect frame(0, i * h, w, h);
        p.setPen(QColor(70, 74, 82));
        p.setBrush(QColor::fromHsv(200 + i * 30, 120, 70));
        p.drawRoundedRect(frame.adjusted(0, 0, -1, -1), 2, 2);
        p.setPen(QColor(225, 230, 235));
        p.drawText(frame, Qt::AlignCenter, QString::fromLatin1(names[i]));
    }
    return img;
}

// A reverb-graph knob: a small disc with a letter, frames normal, pressed and (three-frame
// knobs) disabled stacked top to bottom; each frame one row taller than what is drawn.
QImage reverbKnob(const QColor &colour, const QString &letter, bool threeFrames)
{
    constexpr int side = 13;
    const int frames = threeFrames ? 3 : 2;
    QImage img = newImage(side, (side + 1) * frames);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    for (int f = 0; f < frames; ++f) {
        const QColor fill = f == 2 ? QColor(90, 96, 100) : f == 1 ? colour.lighter(150) : colour;
        const QRectF disc(0.5, f * (side + 1) + 0.5, side - 1, side - 1);
        p.setPen(QPen(QColor(20, 20, 24), 1));
        p.setBrush(fill);
        p.drawEllipse(disc);
        p.setPen(f == 2 ? QColor(150, 150, 150) : QColor(16, 16, 20));
        p.drawText(disc, Qt::AlignCenter, letter);
    }
    return img;
}

// The reverb graph's background: a floor in perspective with the time axis on row 293 from
// x 39 to 319, the frequency axis from (39, 293) up to (129, 203), the 0 dB row 209 above the
// time axis, captions of the value texts along the top.
QImage reverbBackground()
{
    QImage img(420, 320, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(22, 26, 34));
    QPainter p(&img);
    const QColor grid(52, 60, 74), strong(96, 108, 128), text(130, 140, 156);
    // The floor and its time grid (one line per tenth of the axis).
    QPolygon floor;
    floor << QPoint(39, 293) << QPoint(319, 293) << QPoint(409, 203) << QPoint(129, 203);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 36, 46));
    p.drawPolygon(floor);
    p.setPen(grid);
    for (int i = 1; i < 10; ++i) {
        const int x = 39 + i * 28;
        p.drawLine(x, 293, x + 90, 203);
    }
    // Decades of frequency across the floor (100 Hz, 1 kHz, 10 kHz).
    for (double hz : {100.0, 1000.0, 10000.0}) {
        const int off = int(std::lround(90.0 * std::log(hz / 20.0) / std::log(1000.0)));
        p.drawLine(39 + off, 293 - off, 319 + off, 293 - off);
    }
    // The level wall at time 0 and the 0 dB row.
    p.setPen(grid);
    p.drawLine(39, 209, 129, 119);
    p.drawLine(39, 209, 319, 209);
    for (int dB = -50; dB < 0; dB += 10) {
        const int y = 293 - (dB + 60) * 84 / 60;
        p.drawLine(39, y, 129, y - 90);
    }
    p.setPen(strong);
    p.drawLine(39, 293, 319, 293);
    p.drawLine(39, 293, 129, 203);
    p.drawLine(39, 293, 39, 209);
    QFont font = p.font();
    font.setPixelSize(8);
    p.setFont(font);
    p.setPen(text);
    p.drawText(QPoint(322, 296), QStringLiteral("t"));
    p.drawText(QPoint(132, 202), QStringLiteral("f"));
    p.drawText(QPoint(20, 212), QStringLiteral("0dB"));
    p.drawText(QPoint(4, 304), QStringLiteral("DIFF"));
    const struct
    {
        int x, w;
        const char *caption;
    } captions[] = {{4, 36, "TIME"},  {52, 42, "DELAY"}, {106, 18, "HI"}, {136, 18, "LO"},
                    {166, 12, "DF"},  {190, 12, "RS"},   {214, 12, "DC"}, {238, 36, "LOW F"},
                    {286, 36, "HPF"}, {334, 36, "LPF"}};
    for (const auto &c : captions)
        p.drawText(QRect(c.x - 6, 4, c.w + 12, 10), Qt::AlignHCenter,
                   QString::fromLatin1(c.caption));
    return img;
}

// The vintage-EQ pointer strip: 12 frames stacked vertically, sections 1..6 in their curve
// colours, then the same six selected (bright ring).
QImage veqPointerStrip()
{
    constexpr int side = 11;
    const QColor colours[6] = {QColor(255, 0, 0), QColor(255, 152, 0), QColor(255, 255, 0),
                               QColor(0, 255, 0), QColor(0, 255, 255), QColor(204, 0, 255)};
    QImage img = newImage(side, side * 12);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int frame = 0; frame < 12; ++frame) {
        const bool selected = frame >= 6;
        const QColor c = colours[frame % 6];
        const QRectF disc(1.5, frame * side + 1.5, side - 3, side - 3);
        p.setPen(QPen(selected ? QColor(Qt::white) : c.darker(180), selected ? 1.6 : 1.0));
        p.setBrush(selected ? c : c.darker(130));
        p.drawEllipse(disc);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, selected ? 200 : 90));
        p.drawEllipse(QRectF(side / 2.0 - 1.5, frame * side + side / 2.0 - 1.5, 3, 3));
    }
    return img;
}

// The ball of the patch and assignment grids: a shaded disc on a plain background that the
// grid's heuristic mask takes away.
QImage gridBall()
{
    QImage img(9, 9, QImage::Format_RGB32);
    img.fill(QColor(255, 255, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(3.5, 3.5), 5);
    shade.setColorAt(0, QColor(255, 150, 120));
    shade.setColorAt(1, QColor(190, 30, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QRectF(0.5, 0.5, 8, 8));
    return img;
}

// An aux-send level bar of one state: a dim track lit from the left in the state's colour.
QImage auxBar(const QColor &colour, int w, int h)
{
    QImage img = newImage(w, h);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, colour.darker(220));
    g.setColorAt(1, colour);
    p.fillRect(0, 0, w, h, g);
    return img;
}

// The bright end of a send bar.
QImage auxCap(const QColor &colour, int w, int h)
{
    QImage img = newImage(w, h);
    img.fill(colour.lighter(160));
    return img;
}

// The composite's background: one band per layer of four sends, with a mark for each switch.
QImage auxBackground(int w, int layerHeight, int layers, int offset, int step, int margin)
{
    QImage img = newImage(w, layerHeight * layers);
    QPainter p(&img);
    for (int k = 0; k < layers; ++k) {
        const int top = k * layerHeight;
        p.fillRect(0, top, w, layerHeight, k % 2 ? QColor(30, 33, 38) : QColor(36, 39, 45));
        for (int i = 0; i < 4; ++i)
            p.fillRect(2, top + offset + i * step, margin - 4, step - 2, QColor(70, 74, 82));
    }
    return img;
}

// The surround field: a dark room seen from above with the speaker ring and the listening
// cross, in two frames (enabled, then disabled). Kept dark, so the OR-ed puck stands out.
QImage surroundField(int side)
{
    QImage img = newImage(side, 2 * side);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int frame = 0; frame < 2; ++frame) {
        const bool enabled = frame == 0;
        const QRectF room(0, frame * side, side, side);
        p.fillRect(room, enabled ? QColor(16, 20, 34) : QColor(30, 30, 30));
        p.setPen(QPen(enabled ? QColor(40, 56, 90) : QColor(52, 52, 52), 1));
        p.drawLine(QPointF(room.center().x(), room.top() + 4),
                   QPointF(room.center().x(), room.bottom() - 4));
        p.drawLine(QPointF(room.left() + 4, room.center().y()),
                   QPointF(room.right() - 4, room.center().y()));
        p.setBrush(Qt::NoBrush);
        const double r = side * 0.38;
        p.drawEllipse(room.center(), r, r);
        // Front left, centre, front right, rear left, rear right.
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? QColor(70, 90, 130) : QColor(60, 60, 60));
        for (double degrees : {-30.0, 0.0, 30.0, -110.0, 110.0}) {
            const double a = degrees * kPi / 180.0;
            const QPointF at(room.center().x() + r * std::sin(a),
                             room.center().y() - r * std::cos(a));
            p.drawRect(QRectF(at - QPointF(3, 3), QSizeF(6, 6)));
        }
        p.setPen(QPen(enabled ? QColor(50, 50, 60) : QColor(45, 45, 45), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(room.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return img;
}

// The surround puck: a bright disc on a transparent square.
QImage surroundPuck(int side, const QColor &colour)
{
    QImage img = newImage(side, side);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    return img;
}

// The drawer handle: a grip with an arrow pointing the way it slides (closed, open), and the
// edge of the panel that slides over it.
QImage drawerImage(bool open, bool moving)
{
    constexpr int w = 22;
    constexpr int h = 160;
    QImage img = newImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (moving) {
        QLinearGradient g(0, 0, w, 0);
        g.setColorAt(0, QColor(90, 160, 250));
        g.setColorAt(1, QColor(40, 80, 150));
        p.fillRect(img.rect(), g);
        p.setPen(QPen(QColor(200, 225, 255), 1));
        for (int y = 6; y < h; y += 8)
            p.drawLine(QPointF(5, y), QPointF(w - 5, y));
        return img;
    }
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.setBrush(open ? QColor(70, 110, 170) : QColor(66, 68, 78));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 4, 4);
    QPainterPath arrow;
    const double mid = h / 2.0;
    const double tip = open ? w - 6 : 6;
    const double back = open ? 7 : w - 7;
    arrow.moveTo(back, mid - 8);
    arrow.lineTo(tip, mid);
    arrow.lineTo(back, mid + 8);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(235, 235, 235));
    return img;
}

// Frames of a status animation: a caption and a light running along under it.
QList<QImage> statusFrames(const QString &caption, const QColor &lit, int frames)
{
    constexpr int w = 180;
    constexpr int h = 22;
    QList<QImage> out;
    for (int f = 0; f < frames; ++f) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(QColor(30, 31, 36));
        QPainter p(&img);
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(lit);
        p.drawText(QRect(26, 0, w - 26, h - 4), Qt::AlignVCenter | Qt::AlignLeft, caption);
        p.setPen(Qt::NoPen);
        p.setBrush(f % 2 == 0 ? lit : lit.darker(250));
        p.drawEllipse(QRectF(6, 5, 11, 11));
        const int x = 26 + (w - 50) * f / qMax(1, frames - 1);
        p.fillRect(QRect(26, h - 4, w - 40, 2), lit.darker(300));
        p.fillRect(QRect(x, h - 4, 14, 2), lit);
        out.append(img);
    }
    return out;
}

bool saveGif(const QList<QImage> &frames, const QDir &dir, const QString &name,
             QTextStream &qrc)
{
    if (!writeGif(dir.filePath(name), frames, 8))
        return false;
    qrc << "    <file>" << name << "</file>\n";
    return true;
}

bool save(const QImage &img, const QDir &dir, const QString &name, QTextStream &qrc)
{
    if (!img.save(dir.filePath(name)))
        return false;
    qrc << "    <file>" << name << "</file>\n";
    return true;
}

// A strip and its "@2x" variant, drawn by draw(ratio).
template<class Draw>
bool saveBoth(const Draw &draw, const QDir &dir, const QString &name, QTextStream &qrc)
{
    QString high = name;
    high.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    return save(draw(1), dir, name, qrc) && save(draw(2), dir, high, qrc);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));

    QString qrcText;
    QTextStream qrc(&qrcText);
    qrc << "<RCC>\n  <qresource prefix=\"/zb4r/images\">\n";
    const KnobLook knobs[] = {
            {"knob_grey", 40, QColor(120, 120, 126), QColor(230, 230, 230), false},
            {"knob_gain", 40, QColor(150, 60, 50), QColor(250, 120, 90), false},
            {"knob_eq", 36, QColor(60, 90, 150), QColor(110, 170, 255), true},
            {"knob_pan", 32, QColor(90, 90, 96), QColor(240, 200, 80), true},
            {"knob_aux", 32, QColor(60, 120, 80), QColor(120, 230, 150), false},
    };
    bool ok = true;
    const auto knob = [](const KnobLook &look) {
        return [look](int ratio) { return knobStrip(look, ratio); };
    };
    const auto button = [](const QString &label, const QColor &lit, int w, int h) {
        return [=](int ratio) { return buttonStrip(label, lit, w, h, ratio); };
    };
    for (const KnobLook &k : knobs)
        ok &= saveBoth(knob(k), dir, QString::fromLatin1(k.name) + QStringLiteral(".png"), qrc);
    ok &= save(faderThumb(), dir, QStringLiteral("fader_thumb.png"), qrc);
    ok &= save(faderGroove(30, 160), dir, QStringLiteral("fader_groove.png"), qrc);
    ok &= saveBoth(button(QStringLiteral("ON"), QColor(80, 220, 90), 36, 20), dir,
                   QStringLiteral("button_on.png"), qrc);
    ok &= saveBoth(button(QStringLiteral("\u00d8"), QColor(240, 200, 60), 36, 20), dir,
                   QStringLiteral("button_phase.png"), qrc);
    ok &= saveBoth(button(QStringLiteral("+48V"), QColor(240, 80, 60), 36, 20), dir,
                   QStringLiteral("button_48v.png"), qrc);
    ok &= saveBoth(button(QStringLiteral("SEL"), QColor(90, 160, 250), 36, 20), dir,
                   QStringLiteral("button_sel.png"), qrc);
    ok &= saveBoth(button(QStringLiteral("PAIR"), QColor(200, 130, 240), 36, 20), dir,
                   QStringLiteral("button_pair.png"), qrc);
    ok &= save(meterImage(6, 121), dir, QStringLiteral("meter_121.png"), qrc);
    ok &= saveBoth(knob({"knob_eq_freq", 32, QColor(60, 90, 150), QColor(110, 170, 255), false}),
                   dir, QStringLiteral("knob_eq_freq.png"), qrc);
    ok &= saveBoth(knob({"knob_eq_q", 28, QColor(80, 70, 120), QColor(190, 160, 255), false}), dir,
                   QStringLiteral("knob_eq_q.png"), qrc);
    ok &= save(faderGroove(26, 160), dir, QStringLiteral("fader_groove_26.png"), qrc);
    // The graphic EQ's narrow band faders.
    ok &= save(faderThumb(14, 20), dir, QStringLiteral("fader_thumb_geq.png"), qrc);
    ok &= save(faderGroove(16, 140), dir, QStringLiteral("fader_groove_geq.png"), qrc);
    ok &= save(meterImage(10, 202), dir, QStringLiteral("meter_202.png"), qrc);
    ok &= save(meterImage(4, 111), dir, QStringLiteral("meter_111.png"), qrc);
    ok &= save(meterImage(6, 121).copy(0, 0, 6, 121), dir, QStringLiteral("meter_121_lit.png"),
               qrc);
    ok &= save(meterImage(6, 121).copy(6, 0, 6, 121), dir, QStringLiteral("meter_121_unlit.png"),
               qrc);
    ok &= saveBoth(button(QStringLiteral("TYPE II"), QColor(240, 200, 60), 56, 20), dir,
                   QStringLiteral("button_eq_type.png"), qrc);
    const char *const compTypes[] = {"COMP", "EXP", "CMP/L", "LIM"};
    for (int t = 0; t < 4; ++t) {
        const QImage strip = radioStrip(QString::fromLatin1(compTypes[t]), 60, 20);
        ok &= save(strip, dir, QStringLiteral("radio_comp_type%1.png").arg(t), qrc);
        if (t == 0) {
            // The first choice also comes as separate on, off and tracking pictures.
            ok &= save(strip.copy(0, 0, 60, 20), dir, QStringLiteral("radio_comp_on.png"), qrc);
            ok &= save(strip.copy(0, 20, 60, 20), dir, QStringLiteral("radio_comp_off.png"), qrc);
            ok &= save(strip.copy(0, 40, 60, 20), dir, QStringLiteral("radio_comp_track.png"), qrc);
        }
    }
    ok &= save(typeDisplayStrip(40, 4), dir, QStringLiteral("comp_type_display.png"), qrc);
    ok &= save(lampStrip(16, QColor(80, 230, 90)), dir, QStringLiteral("lamp_green.png"), qrc);
    ok &= save(tabStrip({QStringLiteral("CURVES"), QStringLiteral("TYPE"), QStringLiteral("ASSIGN")}, 70, 20), dir,
               QStringLiteral("tabs_dynamics.png"), qrc);
    ok &= save(assignStrip(24, 8, 18, true), dir, QStringLiteral("assign_lit.png"), qrc);
    ok &= save(assignStrip(24, 8, 18, false), dir, QStringLiteral("assign_dark.png"), qrc);
    ok &= save(insertPointStrip(48, 16), dir, QStringLiteral("insert_point.png"), qrc);
    ok &= save(thresholdLampStrip(QColor(60, 230, 90), 12), dir, QStringLiteral("lamp_gate.png"), qrc);
    ok &= save(thresholdLampStrip(QColor(250, 170, 40), 12), dir, QStringLiteral("lamp_comp.png"), qrc);
    ok &= save(thresholdLampStrip(QColor(80, 200, 250), 8), dir, QStringLiteral("lamp_signal.png"), qrc);
    ok &= save(ledStrip(16, 10, 150), dir, QStringLiteral("led_bar_16.png"), qrc);
    ok &= save(ledStrip(7, 10, 150), dir, QStringLiteral("led_bar_7.png"), qrc);
    ok &= save(reverbBackground(), dir, QStringLiteral("zb4r_revb_background.png"), qrc);
    const struct
    {
        const char *file;
        const char *letter;
        QColor colour;
        bool threeFrames;
    } reverbKnobs[] = {
            {"ReverbTimeKnobWithAlpha.png", "T", QColor(255, 170, 60), false},
            {"ReverbInitialDelayWithAlpha.png", "D", QColor(230, 230, 230), false},
            {"ReverbHiRatioWithAlpha.png", "H", QColor(180, 140, 255), true},
            {"ReverbLowRatioWithAlpha.png", "L", QColor(90, 200, 230), true},
            {"ReverbDiffusionWithAlpha.png", "F", QColor(200, 200, 120), false},
            {"ReverbRoomSizeWithAlpha.png", "R", QColor(240, 130, 110), true},
            {"ReverbDelayWithAlpha.png", "C", QColor(150, 220, 150), false},
            {"ReverbLowFreqWithAlpha.png", "f", QColor(90, 200, 230), false},
            {"ReverbHPFWithAlpha.png", "H", QColor(120, 230, 140), false},
            {"ReverbLPFWithAlpha.png", "L", QColor(120, 230, 140), false},
    };
    for (const auto &k : reverbKnobs)
        ok &= save(reverbKnob(k.colour, QString::fromLatin1(k.letter), k.threeFrames), dir,
                   QStringLiteral("zb4r_revb_") + QString::fromLatin1(k.file), qrc);
    ok &= save(veqPointerStrip(), dir, QStringLiteral("zb4r_tk480_VEQPointer.png"), qrc);
    ok &= save(gridBall(), dir, QStringLiteral("grid_ball.png"), qrc);
    ok &= save(auxBar(QColor(120, 120, 120), 48, 5), dir, QStringLiteral("aux_off_post.png"), qrc);
    ok &= save(auxBar(QColor(120, 110, 80), 48, 5), dir, QStringLiteral("aux_off_pre.png"), qrc);
    ok &= save(auxBar(QColor(70, 200, 110), 48, 5), dir, QStringLiteral("aux_on_post.png"), qrc);
    ok &= save(auxBar(QColor(240, 190, 60), 48, 5), dir, QStringLiteral("aux_on_pre.png"), qrc);
    ok &= save(auxCap(QColor(90, 220, 130), 3, 5), dir, QStringLiteral("aux_cap_post.png"), qrc);
    ok &= save(auxCap(QColor(240, 190, 60), 3, 5), dir, QStringLiteral("aux_cap_pre.png"), qrc);
    ok &= save(auxBackground(64, 32, 2, 2, 7, 10), dir, QStringLiteral("aux_background.png"), qrc);
    ok &= save(surroundField(140), dir, QStringLiteral("surround_field.png"), qrc);
    ok &= save(surroundPuck(14, QColor(230, 200, 60)), dir, QStringLiteral("surround_puck.png"),
               qrc);
    ok &= save(surroundPuck(14, QColor(90, 220, 230)), dir, QStringLiteral("surround_puck_fx.png"),
               qrc);
    ok &= save(drawerImage(false, false), dir, QStringLiteral("drawer_closed.png"), qrc);
    ok &= save(drawerImage(false, true), dir, QStringLiteral("drawer_moving.png"), qrc);
    ok &= save(drawerImage(true, false), dir, QStringLiteral("drawer_open.png"), qrc);
    ok &= saveGif(statusFrames(QStringLiteral("OFFLINE"), QColor(235, 90, 70), 8), dir,
                  QStringLiteral("status_offline.gif"), qrc);
    ok &= saveGif(statusFrames(QStringLiteral("ONLINE"), QColor(90, 220, 110), 8), dir,
                  QStringLiteral("status_online.gif"), qrc);
    qrc << "  </qresource>\n</RCC>\n";
    qrc.flush();

    QFile f(dir.filePath(QStringLiteral("demo_art.qrc")));
    ok &= f.open(QIODevice::WriteOnly) && f.write(qrcText.toUtf8()) == qrcText.toUtf8().size();
    return ok ? 0 : 1;
}
