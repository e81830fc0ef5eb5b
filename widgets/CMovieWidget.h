#ifndef CMOVIEWIDGET_H
#define CMOVIEWIDGET_H

#include "zb4r_widgets_export.h"

#include <QLabel>
#include <QString>

#include <memory>

// Plays one of several animations (a status strip, say), chosen by index. The movies are built
// on first need from "<pathPrefix>/<name>", one per name of imageFileNameList, and only once a
// prefix is set.
class ZB4R_WIDGETS_EXPORT CMovieWidget : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString imageFileNameList READ imageFileNameList WRITE setImageFileNameList) // ""

public:
    static constexpr int FastSpeedPercent = 100;
    static constexpr int SlowSpeedPercent = 50;

    explicit CMovieWidget(QWidget *parent = nullptr, const char *name = nullptr);
    ~CMovieWidget() override;

    QString imageFileNameList() const;
    QString pathPrefix() const;
    int currentMovie() const;
    // The number of movies built so far.
    int movieCount() const;

    QSize sizeHint() const override;

public Q_SLOTS:
    // Names are split at ";", empty ones dropped.
    void setImageFileNameList(const QString &names);
    void setPathPrefix(const QString &prefix);
    // Movie 1 when on, else movie 0.
    void toggleMovie(bool on);
    void playBackSpeed(bool fast);
    // An index without a movie shows nothing.
    void setCurrentMovie(int index);
    // Builds the movies when needed and plays the current one from its first frame.
    void forceMoviePlayback();

private:
    void deleteMovies();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
