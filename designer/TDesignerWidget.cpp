#include "TDesignerWidget.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <QXmlStreamWriter>
#include <QtMath>

#include <cmath>
#include <memory>

const char *const TDesignerWidget::GroupName = "zb4r Console Widgets";

namespace {

constexpr int kIconSide = 32;
const QColor kPanel(58, 62, 70);
const QColor kEdge(20, 22, 26);
const QColor kLight(235, 235, 235);
const QColor kLit(70, 215, 95);
const QColor kWarn(240, 200, 50);
const QColor kHot(235, 60, 45);

void paintKnob(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kPanel);
    p.drawEllipse(QRectF(4, 4, 24, 24));
    // The pointer at about two o'clock.
    const double a = qDegreesToRadians(40.0);
    p.setPen(QPen(kLight, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16 + 10 * std::sin(a), 16 - 10 * std::cos(a)));
}

void paintFader(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kEdge);
    p.drawRoundedRect(QRectF(14, 2, 4, 28), 2, 2);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPanel);
    p.drawRoundedRect(QRectF(7, 15, 18, 8), 2, 2);
    p.setPen(QPen(kLight, 1.5));
    p.drawLine(QPointF(9, 19), QPointF(23, 19));
}

void paintButton(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kPanel);
    p.drawRoundedRect(QRectF(3, 8, 26, 16), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kLit);
    p.drawEllipse(QRectF(11, 12, 10, 8));
}

void paintSelector(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kPanel);
    p.drawRoundedRect(QRectF(2, 9, 28, 14), 2, 2);
    p.setPen(QPen(kLight, 1.5));
    p.drawLine(QPointF(6, 16), QPointF(16, 16));
    QPainterPath arrow;
    arrow.moveTo(20, 14);
    arrow.lineTo(27, 14);
    arrow.lineTo(23.5, 19);
    arrow.closeSubpath();
    p.fillPath(arrow, kLight);
}

void paintCurve(QPainter &p)
{
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPanel);
    p.drawRect(QRectF(1.5, 4.5, 29, 23));
    p.setPen(QPen(kPanel.lighter(140), 1));
    p.drawLine(QPointF(2, 16), QPointF(30, 16));
    // A bell at the middle of the band.
    QPainterPath bell;
    for (int x = 2; x <= 30; ++x) {
        const double t = (x - 16) / 5.0;
        const QPointF pt(x, 16 - 9 * std::exp(-t * t));
        if (x == 2)
            bell.moveTo(pt);
        else
            bell.lineTo(pt);
    }
    p.setPen(QPen(kWarn, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bell);
}

void paintMeter(QPainter &p)
{
    for (int bar = 0; bar < 2; ++bar) {
        const qreal x = 8 + bar * 10;
        const int lit = bar == 0 ? 10 : 7;
        for (int seg = 0; seg < 12; ++seg) {
            const QColor c = seg >= 10 ? kHot : seg >= 8 ? kWarn : kLit;
            p.fillRect(QRectF(x, 28 - seg * 2.25, 6, 1.5), seg < lit ? c : c.darker(350));
        }
    }
}

void paintLabel(QPainter &p)
{
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kEdge.lighter(130));
    p.drawRect(QRectF(2.5, 10.5, 27, 11));
    // A value text: a few glyph strokes.
    p.setPen(QPen(kWarn, 1.5));
    for (int x : {6, 10, 14})
        p.drawLine(QPointF(x, 13), QPointF(x, 19));
    p.drawLine(QPointF(19, 13), QPointF(25, 19));
}

void paintTextValue(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kPanel);
    p.drawRect(QRectF(2, 9, 28, 14));
    // A number between a step up and a step down.
    p.setPen(QPen(kLight, 1.5));
    for (const qreal x : {6.0, 10.0, 14.0})
        p.drawLine(QPointF(x, 13), QPointF(x, 19));
    QPainterPath up;
    up.moveTo(20, 15);
    up.lineTo(27, 15);
    up.lineTo(23.5, 11);
    up.closeSubpath();
    p.fillPath(up, kLit);
    QPainterPath down;
    down.moveTo(20, 17);
    down.lineTo(27, 17);
    down.lineTo(23.5, 21);
    down.closeSubpath();
    p.fillPath(down, kWarn);
}

void paintTextField(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kLight);
    p.drawRect(QRectF(2, 9, 28, 14));
    // Typed text and the caret after it.
    p.setPen(QPen(kPanel, 2));
    p.drawLine(QPointF(6, 16), QPointF(16, 16));
    p.setPen(QPen(kEdge, 1.5));
    p.drawLine(QPointF(20, 12), QPointF(20, 20));
}

// A 4 x 4 matrix with a ball in a few cells.
void paintMatrix(QPainter &p)
{
    p.fillRect(QRectF(3, 3, 26, 26), kLight);
    p.setPen(QPen(kEdge, 1));
    for (int i = 0; i <= 4; ++i) {
        p.drawLine(QPointF(3 + i * 6.5, 3), QPointF(3 + i * 6.5, 29));
        p.drawLine(QPointF(3, 3 + i * 6.5), QPointF(29, 3 + i * 6.5));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kHot);
    for (const QPointF &cell : {QPointF(0, 2), QPointF(1, 0), QPointF(2, 3), QPointF(3, 1)})
        p.drawEllipse(QPointF(6.25 + cell.x() * 6.5, 6.25 + cell.y() * 6.5), 2, 2);
}

// Two tabs over a page, the front one raised.
void paintTabs(QPainter &p)
{
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kPanel.darker(130));
    p.drawRect(QRectF(16, 6, 12, 7));
    p.setBrush(kPanel);
    p.drawRect(QRectF(3, 12, 26, 17));
    p.drawRect(QRectF(4, 4, 12, 8));
    p.setPen(QPen(kLight, 1.5));
    p.drawLine(QPointF(7, 8), QPointF(13, 8));
}

QIcon glyphIcon(TWidgetCatalogueEntry::Glyph glyph)
{
    QPixmap pixmap(kIconSide, kIconSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case TWidgetCatalogueEntry::Knob:
        paintKnob(p);
        break;
    case TWidgetCatalogueEntry::Fader:
        paintFader(p);
        break;
    case TWidgetCatalogueEntry::Button:
        paintButton(p);
        break;
    case TWidgetCatalogueEntry::Selector:
        paintSelector(p);
        break;
    case TWidgetCatalogueEntry::Curve:
        paintCurve(p);
        break;
    case TWidgetCatalogueEntry::Meter:
        paintMeter(p);
        break;
    case TWidgetCatalogueEntry::Label:
        paintLabel(p);
        break;
    case TWidgetCatalogueEntry::TextValue:
        paintTextValue(p);
        break;
    case TWidgetCatalogueEntry::TextField:
        paintTextField(p);
        break;
    case TWidgetCatalogueEntry::Matrix:
        paintMatrix(p);
        break;
    case TWidgetCatalogueEntry::Tabs:
        paintTabs(p);
        break;
    }
    return QIcon(pixmap);
}

// "CEqCurve" -> "eqCurve": the object name Designer numbers for new instances.
QString instanceName(const QString &className)
{
    QString name = className;
    if (name.size() > 1 && name.at(0) == QLatin1Char('C') && name.at(1).isUpper())
        name.remove(0, 1);
    name[0] = name.at(0).toLower();
    return name;
}

void writeGeometry(QXmlStreamWriter &w, const QRect &r)
{
    w.writeStartElement(QStringLiteral("property"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("geometry"));
    w.writeStartElement(QStringLiteral("rect"));
    w.writeTextElement(QStringLiteral("x"), QString::number(r.x()));
    w.writeTextElement(QStringLiteral("y"), QString::number(r.y()));
    w.writeTextElement(QStringLiteral("width"), QString::number(r.width()));
    w.writeTextElement(QStringLiteral("height"), QString::number(r.height()));
    w.writeEndElement(); // rect
    w.writeEndElement(); // property
}

// What a new container holds: a tab widget its first page, a tab strip the page stack it
// switches (below the strip, inside the frame).
void writeContainerChild(QXmlStreamWriter &w, const TWidgetCatalogueEntry &entry)
{
    const bool pages = qstrcmp(entry.extends, "QTabWidget") == 0;
    w.writeStartElement(QStringLiteral("widget"));
    w.writeAttribute(QStringLiteral("class"),
                     pages ? QStringLiteral("QWidget") : QStringLiteral("QStackedWidget"));
    w.writeAttribute(QStringLiteral("name"),
                     pages ? QStringLiteral("tab") : QStringLiteral("widgetStack"));
    if (pages) {
        w.writeStartElement(QStringLiteral("attribute"));
        w.writeAttribute(QStringLiteral("name"), QStringLiteral("title"));
        w.writeTextElement(QStringLiteral("string"), QStringLiteral("Page 1"));
        w.writeEndElement(); // attribute
    } else {
        const QSize size = entry.defaultSize;
        writeGeometry(w, QRect(5, 25, size.width() - 15, size.height() - 35));
        w.writeStartElement(QStringLiteral("widget"));
        w.writeAttribute(QStringLiteral("class"), QStringLiteral("QWidget"));
        w.writeAttribute(QStringLiteral("name"), QStringLiteral("page"));
        w.writeEndElement(); // widget
    }
    w.writeEndElement(); // widget
}

} // namespace

TDesignerWidget::TDesignerWidget(const TWidgetCatalogueEntry &entry, QObject *parent)
    : QObject(parent)
    , m_entry(entry)
{
}

QString TDesignerWidget::name() const
{
    return m_entry.className();
}

QString TDesignerWidget::group() const
{
    return QString::fromLatin1(GroupName);
}

QString TDesignerWidget::toolTip() const
{
    return QString::fromLatin1(m_entry.toolTip);
}

QString TDesignerWidget::whatsThis() const
{
    if (!m_entry.sampleAddress)
        return QStringLiteral("%1. Connect a control's text signal (textualValueChange) to its "
                              "setText slot.")
                .arg(toolTip());
    return QStringLiteral("%1. Bind it by setting namedAddress (\"FEkSection/kParam\") and "
                          "connecting the form to the parameter memory.")
            .arg(toolTip());
}

QString TDesignerWidget::includeFile() const
{
    return QString::fromLatin1(m_entry.includeFile);
}

QIcon TDesignerWidget::icon() const
{
    // Painted on first request: a QPixmap needs the application that Designer has by then.
    if (m_icon.isNull())
        m_icon = glyphIcon(m_entry.glyph);
    return m_icon;
}

bool TDesignerWidget::isContainer() const
{
    return m_entry.container;
}

QWidget *TDesignerWidget::createWidget(QWidget *parent)
{
    return m_entry.create(parent);
}

bool TDesignerWidget::isInitialized() const
{
    return m_initialized;
}

void TDesignerWidget::initialize(QDesignerFormEditorInterface *)
{
    m_initialized = true;
}

QString TDesignerWidget::domXml() const
{
    QString xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartElement(QStringLiteral("ui"));
    w.writeAttribute(QStringLiteral("language"), QStringLiteral("c++"));
    w.writeAttribute(QStringLiteral("displayname"), name());

    w.writeStartElement(QStringLiteral("widget"));
    w.writeAttribute(QStringLiteral("class"), name());
    w.writeAttribute(QStringLiteral("name"), instanceName(name()));
    writeGeometry(w, QRect(QPoint(0, 0), m_entry.defaultSize));
    // Addresses and lists are data, not text for translators. A new instance starts from the
    // widget's own defaults (a value format, say), not from empty strings.
    const std::unique_ptr<QWidget> fresh(m_entry.create(nullptr));
    for (const QString &property : m_entry.untranslatedProperties()) {
        w.writeStartElement(QStringLiteral("property"));
        w.writeAttribute(QStringLiteral("name"), property);
        w.writeStartElement(QStringLiteral("string"));
        w.writeAttribute(QStringLiteral("notr"), QStringLiteral("true"));
        w.writeCharacters(fresh->property(property.toLatin1().constData()).toString());
        w.writeEndElement(); // string
        w.writeEndElement(); // property
    }
    if (m_entry.container)
        writeContainerChild(w, m_entry);
    w.writeEndElement(); // widget

    w.writeStartElement(QStringLiteral("customwidgets"));
    w.writeStartElement(QStringLiteral("customwidget"));
    w.writeTextElement(QStringLiteral("class"), name());
    w.writeTextElement(QStringLiteral("extends"), QString::fromLatin1(m_entry.extends));
    w.writeTextElement(QStringLiteral("header"), includeFile());
    if (m_entry.container)
        w.writeTextElement(QStringLiteral("container"), QStringLiteral("1"));
    w.writeEndElement(); // customwidget
    w.writeEndElement(); // customwidgets
    w.writeEndElement(); // ui
    return xml;
}
