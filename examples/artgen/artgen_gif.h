#ifndef ARTGEN_GIF_H
#define ARTGEN_GIF_H

#include <QList>

class QImage;
class QString;

// Writes frames (all of the first frame's size) as a looping GIF, each frame shown for
// delayCentiseconds. Qt reads GIF but cannot write it.
bool writeGif(const QString &file, const QList<QImage> &frames, int delayCentiseconds);

#endif
