#ifndef CPIXMAPMETER_H
#define CPIXMAPMETER_H

#include "TMemProxy.h"
#include "zb4r_types.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

// A meter shown as one frame of a picture grid: LED segments, needles or lamps drawn as whole
// images. The raw level is mapped through a table of bounds to a sub-image (the first bound
// above the level); the owner picks a category (a colour variant, say) with setCurrentImage().
// The bounds are the hexadecimal ";"-list boundList, or a table of the memory (meterTableId).
// The widget never writes to the memory.
//
// Threads: process() may run on any thread; there it only maps the level and hands the
// notification to the GUI thread when the sub-image changes, so a steady meter costs the GUI
// nothing. Frames already shown are blitted from pictures kept per frame.
class ZB4R_WIDGETS_EXPORT CPixmapMeter : public QWidget, public TMemProxy
{
    Q_OBJECT
    // The picture grid; null: the meter draws nothing.
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    // How sub-images and categories lie in the grid; ColImages by default.
    Q_PROPERTY(SubDirection subDirection READ subDirection WRITE setSubDirection)
    // Sub-images (level steps), at least 1; 1 by default.
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages)
    // Categories, at least 1; 1 by default.
    Q_PROPERTY(int nImageCategories READ nImageCategories WRITE setnImageCategories)
    // Bounds of the sub-images as hexadecimal ";"-list ("800;C00"); empty by default.
    Q_PROPERTY(QString boundList READ boundList WRITE setBoundList)
    // Table of the memory used instead of boundList; 0 (none) by default.
    Q_PROPERTY(int meterTableId READ meterTableId WRITE setMeterTableId)
    // Address of the meter; empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Unused by meters; false by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Unused by meters; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    // ColImages: nImageCategories columns by nSubImages rows (column = category, row =
    // sub-image). RowImages: nSubImages columns by nImageCategories rows.
    enum SubDirection { ColImages = 0, RowImages = 1 };
    Q_ENUM(SubDirection)

    explicit CPixmapMeter(QWidget *parent = nullptr, const char *name = nullptr);
    ~CPixmapMeter() override;

    QPixmap combinedImage() const;
    SubDirection subDirection() const;
    int nSubImages() const;
    int nImageCategories() const;
    QString boundList() const;
    int meterTableId() const;
    // The sub-image shown, the one the last level maps to, and the category shown.
    int shownIndex() const;
    int levelIndex() const;
    int currentImage() const;
    // The bounds of the bound array (nSubImages entries).
    QVector<quint16> bounds() const;
    // Frames rendered so far (a frame shown again is not rendered again).
    int renderCount() const;

    // Takes the memory's table meterTableId, or the bound array, as the table searched.
    void setupMeterTable();
    // Reads boundList into the bound array.
    void setupBoundTable();
    // Fixes the size to one frame of the grid.
    void adjustParams();
    void repaintScreenPrimitive(QPainter &painter);
    // With pm, shows pm until the next frame change; with null, renders the frame again.
    void updateErasePixmap(QPixmap *pm);
    // Shows the frame of the shown index and the current category (GUI thread).
    void valueChange();

    // TMemProxy
    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    // Picks the category, within 0..nImageCategories - 1 (else nothing happens).
    void setCurrentImage(int category);
    void resetMeter();
    void onlineChange(bool online);
    void setBoundList(const QString &list);
    void setMeterTableId(int id);
    void setSubDirection(SubDirection direction);
    void setnSubImages(int count);
    void setnImageCategories(int count);
    void setCombinedImage(const QPixmap &grid);

    // The spellings forms use.
    void setNSubImages(int count) { setnSubImages(count); }
    void setNImageCategories(int count) { setnImageCategories(count); }

protected:
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
