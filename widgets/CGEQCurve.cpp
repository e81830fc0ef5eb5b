#include "CGEQCurve.h"

#include "TParamInfo.h"
#include "geq_bars.h"

#include <QDataStream>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

static_assert(CGEQCurve::Bands == GEQ_MAX_BANDS, "one gain per band");
static_assert(CGEQCurve::CurvePoints == GEQ_CURVE_POINTS, "one value per display point");

const QSize kDefaultSize(40, 30);

// Display ranges in curve units: +-20 dB, or cut only down to -40 dB.
constexpr short kBoostCutMaximum = 10240;
constexpr short kBoostCutMinimum = -10240;
constexpr short kCutOnlyMaximum = 0;
constexpr short kCutOnlyMinimum = -20480;
constexpr unsigned short kLastBoostCutMode = 2;
constexpr double kUnitsPerDb = 512.0;
constexpr double kBoostCutDbPerHalfHeight = 20.0;
constexpr double kCutOnlyDbPerHeight = 40.0;

bool isCutOnly(unsigned short mode)
{
    return mode > kLastBoostCutMode;
}

} // namespace

struct CGEQCurve::Private
{
    // Room for one more point than shown, as the display code always had.
    qint16 curve[CurvePoints + 1] = {};
};

CGEQCurve::CGEQCurve(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // Every paint covers the whole widget. The bars scale with the size, so the contents are
    // not static: a resize repaints everything.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setNumDefaultKind(0);
    setUndoEnable(false);
}

CGEQCurve::~CGEQCurve()
{
    // The memory may still call process() from another thread until the observers are gone.
    disconnectMemAPI();
    releaseMemory();
}

QSize CGEQCurve::sizeHint() const
{
    const QPixmap texture = palette().brush(QPalette::Window).texture();
    return texture.width() > 0 ? texture.size() : kDefaultSize;
}

const qint16 *CGEQCurve::curve() const
{
    return d->curve;
}

bool CGEQCurve::readable()
{
    return memAPIReady() && address().isValid();
}

unsigned short CGEQCurve::displayMode()
{
    if (!readable())
        return 0;
    return static_cast<unsigned short>(memAPI()->getValue(element(), ModeParameter, channel()));
}

// --- binding ---------------------------------------------------------------------------------

QVector<quint32> CGEQCurve::observedAddresses() const
{
    // The flat switch before the bands, the bands and the block's last parameter.
    QVector<quint32> list;
    const int e = element(), p = parameter(), c = channel();
    for (int i = -1; i < BlockParameters; ++i) {
        if (p + i >= 0)
            list << IMemAPI::pack(e, p + i, c);
    }
    return list;
}

void CGEQCurve::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    switch (operation) {
    case 1:
        resetBlock();
        break;
    case 2:
        if (data)
            pasteBlock(streamFromData(data));
        break;
    case 3:
        if (data)
            copyBlock(streamFromData(data));
        return;
    default:
        break;
    }
    update();
}

void CGEQCurve::resetBlock()
{
    if (!readable())
        return;
    IMemAPI *api = memAPI();
    const int e = element(), p = parameter(), c = channel();
    for (int i = 0; i < BlockParameters; ++i)
        writeValue(e, p + i, c, api->getValueEx(e, p + i, c, false, nullptr));
}

void CGEQCurve::copyBlock(QDataStream *stream)
{
    if (!readable())
        return;
    IMemAPI *api = memAPI();
    const int e = element(), p = parameter(), c = channel();
    for (int i = 0; i < BlockParameters; ++i)
        TParamInfoWriter(this, api->getValue(e, p + i, c), stream, i);
}

void CGEQCurve::pasteBlock(QDataStream *stream)
{
    if (!readable())
        return;
    IMemAPI *api = memAPI();
    const int e = element(), p = parameter(), c = channel();
    // Records are tagged with their place in the block. From the first record that cannot be
    // read or is not the one expected there (a short stream, garbage), the rest of the block
    // stays as it is.
    for (int i = 0; i < BlockParameters; ++i) {
        TParamInfoReader record(stream);
        if (!record.isValid() || !api->matchesParamInfo(e, i, record.tag(), 0))
            return;
        writeValue(e, p + i, c, record.value());
    }
}

// --- painting --------------------------------------------------------------------------------

void CGEQCurve::lcd_GEQGrfGainDataAdd(short maximum, short minimum)
{
    int16_t gains[Bands] = {};
    if (readable()) {
        IMemAPI *api = memAPI();
        const int e = element(), p = parameter(), c = channel();
        for (int b = 0; b < Bands; ++b)
            gains[b] = static_cast<int16_t>(api->getValue(e, p + b, c));
    }
    GEQ_SumBands(d->curve, gains, maximum, minimum);
}

int CGEQCurve::barLength(int v, unsigned short mode, int height)
{
    const double dB = std::abs(v) / kUnitsPerDb;
    if (isCutOnly(mode))
        return int(dB * height / kCutOnlyDbPerHeight);
    return int(dB * (height / 2) / kBoostCutDbPerHalfHeight);
}

void CGEQCurve::drawCurveBars(QPainter &painter, const qint16 *curve, unsigned short mode,
                              const QSize &size, const QColor &colour)
{
    const int w = size.width(), h = size.height(), mid = h / 2;
    const bool cutOnly = isCutOnly(mode);
    for (int x = 1; x <= w - 2; ++x) {
        const int v = curve[(x - 1) * CurvePoints / w];
        const int length = barLength(v, mode, h);
        if (length <= 0)
            continue;
        if (v >= 1)
            painter.fillRect(x, mid - length, 1, length, colour);
        else if (cutOnly)
            painter.fillRect(x, 0, 1, length, colour);
        else
            painter.fillRect(x, mid + 1, 1, length, colour);
    }
}

void CGEQCurve::lcd_GEQGraphDraw(unsigned short mode, QPainter &painter)
{
    drawCurveBars(painter, d->curve, mode, size(), palette().color(QPalette::WindowText));
}

void CGEQCurve::repaintScreenPrimitive(QPainter &painter)
{
    const QPixmap texture = palette().brush(QPalette::Window).texture();
    if (texture.width() > 0)
        painter.drawPixmap(0, 0, texture);
    else
        painter.fillRect(0, 0, width(), height(), palette().color(QPalette::Window));

    const unsigned short mode = displayMode();
    if (isCutOnly(mode))
        lcd_GEQGrfGainDataAdd(kCutOnlyMaximum, kCutOnlyMinimum);
    else
        lcd_GEQGrfGainDataAdd(kBoostCutMaximum, kBoostCutMinimum);
    lcd_GEQGraphDraw(mode, painter);
}

void CGEQCurve::paintEvent(QPaintEvent *)
{
    // Redrawn whole on every update(): summing the rows costs less than keeping a picture.
    QPainter painter(this);
    repaintScreenPrimitive(painter);
}
