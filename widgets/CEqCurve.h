#ifndef CEQCURVE_H
#define CEQCURVE_H

#include "TMemProxy.h"
#include "calc_eq.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class QPainter;

// One four-band set of a parametric EQ as read from the memory, in calculator units.
struct T_EQ_4BAND_DATASET
{
    quint8 peakType = EQ_TYPE_PEAKING; // record type of peaking bands: peaking or band-pass rows
    qint32 lowType = 0; // 1 low shelf, 2 high-pass, anything else peaking
    qint32 highType = 0; // 1 high shelf, 2 low-pass, anything else peaking
    qint32 lowFilterOn = 0; // on switch of the low band while it is a high-pass
    qint32 highFilterOn = 0; // on switch of the high band while it is a low-pass
    qint32 gain[4] = {}; // hundredths of a dB
    qint32 frequency[4] = {}; // 1/24-octave indices
    qint32 q[4] = {}; // Q indices
    qint32 bandOff[4] = {}; // non-zero: the band contributes nothing
};

// The response of one channel's parametric EQ as a filled curve with a draggable handle per
// band. The element of the bound address picks the EQ: 47 is the input EQ (four bands plus the
// channel high-pass of element 46), 85 a four-band EQ, any other element (66, 99) an eight-band
// EQ in two four-band sets. The parameter of the address does not matter.
//
// Every change of a band parameter posts one deferred recalculation; a burst of notifications
// coalesces into one. The curve and the handles are drawn once into a cached picture.
//
// Keys: none; it takes focus with the click only, so that keys reach the editor afterwards.
class ZB4R_WIDGETS_EXPORT CEqCurve : public QWidget, public TMemProxy
{
    Q_OBJECT
    // Bound EQ, as "FEkInputEQ/kEQOn": only the element and the channel are used.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Kept for forms; the curve leaves no undo points of its own. True by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Which default a reset asks for; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    // Background (graticule) under the curve, also the size hint; null by default.
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap)
    // Handle frames stacked top to bottom, frame h for band h; null (ellipses) by default.
    Q_PROPERTY(QPixmap handleImage READ handleImage WRITE setHandleImage)
    // Number of frames in handleImage; 1 by default.
    Q_PROPERTY(int nHandleImages READ nHandleImages WRITE setnHandleImages)
    ZB4R_MEMPROXY_SLOTS

public:
    // Handle mapping range, hundredths of a dB.
    static constexpr int DefaultGainMin = -2500;
    static constexpr int DefaultGainMax = 2500;

    explicit CEqCurve(QWidget *parent = nullptr, const char *name = nullptr);
    ~CEqCurve() override;

    QPixmap pixmap() const;
    QPixmap handleImage() const;
    int nHandleImages() const;

    QSize sizeHint() const override;

    bool connectMemAPI() override;

    // What the deferred recalculation runs: recomputes and repaints the curve of o.
    static void ForceUpdateRecalc_bridge(QObject *o);
    // With p, installs p as the picture; without, renders a new picture from the memory.
    void updateErasePixmap(QPixmap *p);
    // Draws the whole picture: background, curve and handles, at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);
    void drawHandles(QPainter &painter, int handle, int x, int y);

    // Band records of the input EQ (element 47 with the high-pass of element 46) on channel.
    void disp_GetParamINEQ(T_EQ_DATASET *dataset, unsigned channel);
    // Band records of a four- (element 85) or eight-band EQ.
    void disp_GetParamOUTEQ(T_EQ_DATASET *dataset, unsigned element, unsigned channel);
    // Records first.. for one four-band set; returns how many (4, or 5 with a flat record).
    static int disp_SetParam4Band(T_EQ_DATASET *dataset, const T_EQ_4BAND_DATASET *set,
                                  unsigned char first);

    // Coordinate conversions between pixels and calculator units (frequency indices,
    // hundredths of a dB), for the current size.
    int XPosToFreqMem(int x) const;
    int YPosToGainMem(int y) const;
    int FreqMemToXPos(int index) const;
    int GainMemToYPos(int hundredths) const;
    // Takes band when distance is below best, lowering best.
    void setSelectBand(int &best, int distance, int band);

    // State for tests and benchmarks: the last computed curve and records, the band being
    // dragged (-1 none), and how many curve calculations ran.
    const T_EQ_CURVE &curve() const;
    const T_EQ_DATASET &dataset() const;
    int selectedBand() const;
    bool isDragging() const;
    bool isRecalcPending() const;
    int recalculationCount() const;

public Q_SLOTS:
    void setPixmap(const QPixmap &pixmap);
    void setHandleImage(const QPixmap &image);
    void setnHandleImages(int count);

public:
    // The conventional spelling of setnHandleImages(), which uic-generated forms call.
    void setNHandleImages(int count) { setnHandleImages(count); }

protected:
    QVector<quint32> observedAddresses() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void polishCurve();
    void invalidatePicture();
    void requestRecalc();
    void pickHandle(const QPoint &pos);
    void dragSelectedBand(const QPoint &pos);
    void resetBandSet();
    void copyBandSet(QDataStream *stream);
    void pasteBandSet(QDataStream *stream);
    void readDataset(T_EQ_DATASET *dataset);
    QPoint handlePosition(int handle, int type);

    struct Private;
    std::unique_ptr<Private> d;
};

#endif
