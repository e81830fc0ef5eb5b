#include "CMovieWidget.h"

#include <QMovie>
#include <QStringList>

#include <vector>

namespace {

const QSize kSizeHint(530, 37);

} // namespace

struct CMovieWidget::Private
{
    int current = 0;
    QStringList names;
    QString pathPrefix;
    std::vector<std::unique_ptr<QMovie>> movies;
    int speed = CMovieWidget::FastSpeedPercent;
};

CMovieWidget::CMovieWidget(QWidget *parent, const char *name)
    : QLabel(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
}

CMovieWidget::~CMovieWidget()
{
    deleteMovies();
}

QString CMovieWidget::imageFileNameList() const
{
    return d->names.join(QLatin1Char(';'));
}

QString CMovieWidget::pathPrefix() const
{
    return d->pathPrefix;
}

int CMovieWidget::currentMovie() const
{
    return d->current;
}

int CMovieWidget::movieCount() const
{
    return int(d->movies.size());
}

QSize CMovieWidget::sizeHint() const
{
    return kSizeHint;
}

void CMovieWidget::setImageFileNameList(const QString &names)
{
    if (names == imageFileNameList())
        return;
    d->names = names.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    deleteMovies();
    forceMoviePlayback();
}

void CMovieWidget::setPathPrefix(const QString &prefix)
{
    if (prefix == d->pathPrefix)
        return;
    d->pathPrefix = prefix;
    deleteMovies();
    forceMoviePlayback();
}

void CMovieWidget::toggleMovie(bool on)
{
    setCurrentMovie(on ? 1 : 0);
}

void CMovieWidget::playBackSpeed(bool fast)
{
    // Kept, so that movies built later play at the same speed.
    d->speed = fast ? FastSpeedPercent : SlowSpeedPercent;
    for (const auto &movie : d->movies)
        movie->setSpeed(d->speed);
}

void CMovieWidget::setCurrentMovie(int index)
{
    if (index == d->current)
        return;
    d->current = index;
    forceMoviePlayback();
}

void CMovieWidget::forceMoviePlayback()
{
    if (d->movies.empty() && !d->pathPrefix.isEmpty()) {
        for (const QString &name : qAsConst(d->names)) {
            auto movie = std::make_unique<QMovie>(QStringLiteral("%1/%2").arg(d->pathPrefix, name));
            movie->setSpeed(d->speed);
            d->movies.push_back(std::move(movie));
        }
    }
    if (d->current < 0 || d->current >= movieCount()) {
        clear();
        return;
    }
    QMovie *movie = d->movies.at(size_t(d->current)).get();
    setMovie(movie);
    adjustSize();
    movie->stop();
    movie->jumpToFrame(0);
    movie->start();
}

void CMovieWidget::deleteMovies()
{
    // The label lets go of the movie before it is deleted.
    clear();
    d->movies.clear();
}
