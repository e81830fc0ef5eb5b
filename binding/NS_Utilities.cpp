#include "NS_Utilities.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QPixmapCache>
#include <QThread>

namespace {

const QString kResourceImageFolder = QStringLiteral(":/zb4r/images");

// Grey levels of a disabled picture are squeezed into [kGreyFloor, kGreyFloor + 255 / 2], so
// black and white both move towards the middle while keeping their order.
constexpr int kGreyFloor = 64;

// The ratio of the high-resolution image variants ("@2x").
constexpr int kHighResolutionRatio = 2;
// Ratios closer than this count as equal (fractional screen scales).
constexpr qreal kRatioTolerance = 0.01;

struct PixmapFolders
{
    QMutex mutex;
    QStringList folders; // last added first
};

PixmapFolders &pixmapFolders()
{
    static PixmapFolders s_folders;
    return s_folders;
}

QPixmap loadCached(const QString &path)
{
    const QString cacheKey = QStringLiteral("zb4r:") + path;
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey, &pixmap))
        return pixmap;
    if (!QFileInfo::exists(path) || !pixmap.load(path))
        return QPixmap();
    QPixmapCache::insert(cacheKey, pixmap);
    return pixmap;
}

// One premultiplied ARGB pixel made grey: the luminance of the premultiplied channels is the
// luminance of the colour times alpha, so the squeezed grey can be built without dividing by alpha.
inline QRgb greyPremultiplied(QRgb pixel)
{
    const int alpha = qAlpha(pixel);
    if (alpha == 0)
        return 0;
    const int luma = qGray(qRed(pixel), qGreen(pixel), qBlue(pixel));
    const int grey = qMin(alpha, (kGreyFloor * alpha + 127) / 255 + luma / 2);
    return qRgba(grey, grey, grey, alpha);
}

} // namespace

namespace NS_Utilities {

bool mainThreadRunning()
{
    // Asked for every notification, so each thread remembers its answer for the application
    // object it was computed for.
    struct Answer
    {
        const QCoreApplication *app = nullptr;
        bool main = false;
    };
    thread_local Answer answer;
    const QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (answer.app != app) {
        answer.main = QThread::currentThread() == app->thread();
        answer.app = app;
    }
    return answer.main;
}

void addPixmapPath(const QString &folder)
{
    if (folder.isEmpty())
        return;
    PixmapFolders &store = pixmapFolders();
    QMutexLocker lock(&store.mutex);
    store.folders.removeAll(folder);
    store.folders.prepend(folder);
}

QStringList pixmapPaths()
{
    PixmapFolders &store = pixmapFolders();
    QStringList paths;
    {
        QMutexLocker lock(&store.mutex);
        paths = store.folders;
    }
    paths.append(kResourceImageFolder);
    return paths;
}

QString highResolutionName(const QString &name, int ratio)
{
    const QString suffix = QStringLiteral("@%1x").arg(ratio);
    const int slash = int(name.lastIndexOf(QLatin1Char('/')));
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot <= slash + 1)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

QPixmap loadPixmap(const QString &name)
{
    if (name.isEmpty())
        return QPixmap();
    const QString highName = highResolutionName(name, kHighResolutionRatio);
    const auto find = [](const QString &file, qreal ratio) {
        for (const QString &folder : pixmapPaths()) {
            QPixmap pixmap = loadCached(QDir(folder).filePath(file));
            if (!pixmap.isNull()) {
                pixmap.setDevicePixelRatio(ratio);
                return pixmap;
            }
        }
        return QPixmap();
    };
    // As QIcon does: the variant for the highest ratio of the screens, when there is one.
    const bool highDpi = qGuiApp && qGuiApp->devicePixelRatio() > 1.0;
    if (highDpi) {
        const QPixmap high = find(highName, kHighResolutionRatio);
        if (!high.isNull())
            return high;
    }
    const QPixmap plain = find(name, 1.0);
    if (!plain.isNull() || highDpi)
        return plain;
    return find(highName, kHighResolutionRatio);
}

QSize logicalSize(const QPixmap &pixmap)
{
    const qreal ratio = pixmap.devicePixelRatio() > 0 ? pixmap.devicePixelRatio() : 1.0;
    return QSize(int(pixmap.width() / ratio), int(pixmap.height() / ratio));
}

QPixmap devicePixmap(const QSize &logicalSize, qreal ratio, const QColor &fill)
{
    if (logicalSize.isEmpty())
        return QPixmap();
    if (ratio <= 0)
        ratio = 1.0;
    QPixmap pixmap(int(std::ceil(logicalSize.width() * ratio)),
                   int(std::ceil(logicalSize.height() * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(fill);
    return pixmap;
}

QPixmap stripForRatio(const QPixmap &strip, const QSize &grid, qreal ratio)
{
    const qreal own = strip.devicePixelRatio();
    if (strip.isNull() || ratio <= own + kRatioTolerance || grid.width() <= 0 || grid.height() <= 0)
        return strip;
    const QString key = QStringLiteral("zb4r:ratio:%1:%2x%3:%4")
                                .arg(strip.cacheKey())
                                .arg(grid.width())
                                .arg(grid.height())
                                .arg(ratio);
    QPixmap scaled;
    if (QPixmapCache::find(key, &scaled))
        return scaled;
    // Whole device pixels per frame, so the grid still cuts the scaled strip into equal frames.
    const qreal factor = ratio / own;
    const int frameWidth = int(std::lround(strip.width() / grid.width() * factor));
    const int frameHeight = int(std::lround(strip.height() / grid.height() * factor));
    if (frameWidth <= 0 || frameHeight <= 0)
        return strip;
    scaled = strip.scaled(frameWidth * grid.width(), frameHeight * grid.height(),
                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, scaled);
    return scaled;
}

ButtonState modifierState()
{
    if (!qGuiApp)
        return 0;
    return int(QGuiApplication::queryKeyboardModifiers()) | int(QGuiApplication::mouseButtons());
}

QRect partialPixmapRect(const QPoint &cell, const QSize &stripSize, const QSize &grid)
{
    if (grid.width() <= 0 || grid.height() <= 0 || stripSize.isEmpty())
        return QRect();
    if (cell.x() < 0 || cell.x() >= grid.width() || cell.y() < 0 || cell.y() >= grid.height())
        return QRect();
    const int frameWidth = stripSize.width() / grid.width();
    const int frameHeight = stripSize.height() / grid.height();
    if (frameWidth <= 0 || frameHeight <= 0)
        return QRect();
    return QRect(cell.x() * frameWidth, cell.y() * frameHeight, frameWidth, frameHeight);
}

void drawPartialPixmap(QPainter &painter, const QPoint &cell, const QPixmap &strip,
                       const QSize &grid, const QPoint &at)
{
    if (strip.isNull())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QPixmap source = stripForRatio(strip, grid, ratio);
    // The rectangle is in the strip's device pixels; drawPixmap() draws it at its logical size.
    const QRect frame = partialPixmapRect(cell, source.size(), grid);
    if (frame.isEmpty())
        return;
    painter.drawPixmap(at, source, frame);
}

void drawPartialPixmap(QPainter &painter, const QPoint &cell, const QPixmap &strip,
                       const QSize &grid, QPixmap * /*extra*/)
{
    drawPartialPixmap(painter, cell, strip, grid, QPoint(0, 0));
}

QImage applyGreyTransformation(const QImage &image)
{
    if (image.isNull())
        return QImage();
    QImage grey = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = grey.width();
    for (int y = 0; y < grey.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = greyPremultiplied(line[x]);
    }
    if (!image.hasAlphaChannel())
        grey = grey.convertToFormat(QImage::Format_RGB32);
    return grey;
}

QPixmap applyGreyTransformation(const QPixmap &pixmap)
{
    if (pixmap.isNull())
        return QPixmap();
    QPixmap grey = QPixmap::fromImage(applyGreyTransformation(pixmap.toImage()));
    grey.setDevicePixelRatio(pixmap.devicePixelRatio());
    return grey;
}

QStringList splitList(const QString &text, QChar sep)
{
    return text.split(sep, Qt::SkipEmptyParts);
}

int atoiNumber(const QString &text, int base)
{
    const int n = int(text.size());
    int i = 0;
    while (i < n
           && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')
               || text.at(i) == QLatin1Char('\n') || text.at(i) == QLatin1Char('\r')
               || text.at(i) == QLatin1Char('\v') || text.at(i) == QLatin1Char('\f')))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    if (base == 16 && i + 1 < n && text.at(i) == QLatin1Char('0')
        && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X')))
        i += 2;
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < n; ++i) {
        const ushort ch = text.at(i).unicode();
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            break;
        value = std::min(value * base + digit, limit);
    }
    if (negative)
        return int(std::max(-value, qint64(std::numeric_limits<int>::min())));
    return int(std::min(value, qint64(std::numeric_limits<int>::max())));
}

QList<int> numberList(const QString &text, int base)
{
    QList<int> numbers;
    const QStringList entries = splitList(text);
    numbers.reserve(entries.size());
    for (const QString &entry : entries)
        numbers.append(atoiNumber(entry, base));
    return numbers;
}

} // namespace NS_Utilities
