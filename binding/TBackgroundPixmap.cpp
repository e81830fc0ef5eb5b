#include "TBackgroundPixmap.h"

#include "NS_Utilities.h"
#include "TCacheServer.h"

#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QWidget>

#include <cmath>

namespace {

QSize deviceSizeOf(const QWidget *w)
{
    const qreal ratio = w->devicePixelRatioF();
    return QSize(int(std::ceil(w->width() * ratio)), int(std::ceil(w->height() * ratio)));
}

} // namespace

void TBackgroundPixmap::lookChanged(QWidget *w)
{
    m_valid = false;
    m_shareKnown = false;
    m_shareKey.clear();
    m_variants.clear();
    if (w)
        w->update();
}

void TBackgroundPixmap::setShareKey(const QWidget *w, const QString &lookKey)
{
    m_shareKnown = true;
    m_variants.clear();
    const TCacheServer *server = w ? TCacheServer::serverFor(w) : nullptr;
    // The server's address scopes the key: like widgets of one window share, other windows not.
    m_shareKey = server && !lookKey.isEmpty()
            ? QStringLiteral("zb4r/%1/%2").arg(quintptr(server), 0, 16).arg(lookKey)
            : QString();
}

bool TBackgroundPixmap::takeVariant(const QSize &deviceSize, int variant)
{
    if (variant < 0 || m_shareKey.isEmpty())
        return false;
    if (variant < m_variants.size()) {
        const QPixmap &known = m_variants.at(variant);
        if (!known.isNull() && known.size() == deviceSize) {
            m_pixmap = known;
            return true;
        }
    }
    QPixmap shared;
    if (!QPixmapCache::find(m_shareKey + QString::number(variant), &shared)
        || shared.size() != deviceSize)
        return false;
    m_pixmap = shared;
    keepVariant(variant);
    return true;
}

void TBackgroundPixmap::keepVariant(int variant)
{
    if (variant >= m_variants.size())
        m_variants.resize(variant + 1);
    m_variants[variant] = m_pixmap;
}

const QPixmap &TBackgroundPixmap::pixmap(const QWidget *w, const Painter &paint, bool transparent,
                                         int variant)
{
    if (!w)
        return m_pixmap;

    // Built in device pixels, so a high-dpi screen gets a sharp picture of the widget's
    // logical size.
    const qreal ratio = w->devicePixelRatioF();
    const QSize deviceSize = deviceSizeOf(w);
    const bool fits =
            m_pixmap.size() == deviceSize && qFuzzyCompare(m_pixmap.devicePixelRatio(), ratio);
    if (m_valid && fits)
        return m_pixmap;

    if (deviceSize.isEmpty()) {
        // Nothing to paint on; built once the widget has a size.
        m_pixmap = QPixmap();
        m_valid = false;
        return m_pixmap;
    }
    if (takeVariant(deviceSize, variant)) {
        m_valid = true;
        return m_pixmap;
    }

    // A value change repaints a picture of the same size: keep its buffer unless it is shared
    // (a shared one is copied on write by the painter, so the shared picture stays as it is).
    if (!fits || (variant >= 0 && !m_shareKey.isEmpty()))
        m_pixmap = NS_Utilities::devicePixmap(w->size(), ratio);
    m_pixmap.fill(transparent ? QColor(Qt::transparent) : w->palette().color(QPalette::Window));
    {
        QPainter painter(&m_pixmap);
        if (paint)
            paint(painter);
    }
    m_valid = true;
    ++m_rebuilds;
    if (variant >= 0 && !m_shareKey.isEmpty()) {
        QPixmapCache::insert(m_shareKey + QString::number(variant), m_pixmap);
        keepVariant(variant);
    }
    return m_pixmap;
}

void TBackgroundPixmap::paint(QPainter &painter, const QWidget *w, const Painter &paintPicture,
                              bool transparent, int variant)
{
    const QPixmap &picture = pixmap(w, paintPicture, transparent, variant);
    if (!picture.isNull())
        painter.drawPixmap(QPoint(0, 0), picture);
}

void TBackgroundPixmap::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    m_valid = !pixmap.isNull();
}
