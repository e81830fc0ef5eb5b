// Draws the demo editor's images at build time, so no binary art is kept in the sources.
//   artgen <output folder>
// Knobs are film strips of 101 frames stacked top to bottom; buttons have the rows on, off,
// pressed and disabled. Knob and button strips also come as "@2x" variants, drawn at twice the
// resolution for high-dpi screens.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
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

QImage faderThumb()
{
    const int w = 26, h = 40;
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
    ok &= save(meterImage(6, 121), dir, QStringLiteral("meter_121.png"), qrc);
    ok &= saveBoth(knob({"knob_eq_freq", 32, QColor(60, 90, 150), QColor(110, 170, 255), false}),
                   dir, QStringLiteral("knob_eq_freq.png"), qrc);
    ok &= saveBoth(knob({"knob_eq_q", 28, QColor(80, 70, 120), QColor(190, 160, 255), false}), dir,
                   QStringLiteral("knob_eq_q.png"), qrc);
    ok &= save(faderGroove(26, 160), dir, QStringLiteral("fader_groove_26.png"), qrc);
    ok &= save(meterImage(10, 202), dir, QStringLiteral("meter_202.png"), qrc);
    ok &= save(meterImage(4, 111), dir, QStringLiteral("meter_111.png"), qrc);
    ok &= save(meterImage(6, 121).copy(0, 0, 6, 121), dir, QStringLiteral("meter_121_lit.png"),
               qrc);
    ok &= save(meterImage(6, 121).copy(6, 0, 6, 121), dir, QStringLiteral("meter_121_unlit.png"),
               qrc);
    ok &= saveBoth(button(QStringLiteral("TYPE II"), QColor(240, 200, 60), 56, 20), dir,
                   QStringLiteral("button_eq_type.png"), qrc);
    ok &= save(insertPointStrip(48, 16), dir, QStringLiteral("insert_point.png"), qrc);
    qrc << "  </qresource>\n</RCC>\n";
    qrc.flush();

    QFile f(dir.filePath(QStringLiteral("demo_art.qrc")));
    ok &= f.open(QIODevice::WriteOnly) && f.write(qrcText.toUtf8()) == qrcText.toUtf8().size();
    return ok ? 0 : 1;
}
