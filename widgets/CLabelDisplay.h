#ifndef CLABELDISPLAY_H
#define CLABELDISPLAY_H

#include "zb4r_widgets_export.h"

#include <QColor>
#include <QLabel>
#include <QPixmap>

#include <memory>

// A text readout fed by other widgets: typically a control's value text with its unit. It keeps
// two texts: the normal one, and an alternate one shown while a control is being moved
// (altDisplayBegin() .. altDisplayEnd()); the normal text returns 700 ms after each end.
// Editable labels take typed numbers on a double click and report them with valueChanged().
class ZB4R_WIDGETS_EXPORT CLabelDisplay : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QColor focusColor READ focusColor WRITE setFocusColor) // always reads invalid
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 1; <= 0 counts as 1
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setcombinedImage) // null: a fill
    Q_PROPERTY(bool inverseColorOnFocus READ inverseColorOnFocus WRITE
                       setInverseColorOnFocus) // false; stored only
    Q_PROPERTY(bool editable READ editable WRITE setEditable) // false
    Q_PROPERTY(QString editFormat READ editFormat WRITE setEditFormat) // null: "%.1f"
    Q_PROPERTY(bool greyOnDisable READ greyOnDisable WRITE setGreyOnDisable) // false
    // QLabel's text, through the label's own setter (the text slot in force).
    Q_PROPERTY(QString text READ text WRITE setText) // empty
public:
    static constexpr int AltDisplayHold = 700; // ms the alternate text stays after an end

    explicit CLabelDisplay(QWidget *parent = nullptr, const char *name = nullptr);
    ~CLabelDisplay() override;

    QColor focusColor() const;
    int nSubImages() const;
    QPixmap combinedImage() const;
    bool inverseColorOnFocus() const;
    bool editable() const;
    QString editFormat() const;
    bool greyOnDisable() const;

    // Nested altDisplayBegin() calls whose end has not been applied yet.
    int altDisplayDepth() const;
    QString normalText() const;
    QString alternateText() const;

    // The whole picture: the strip frame or the fill, then the text.
    void repaintScreenPrimitive(QPainter &painter);
    // A given picture becomes the label's background as it stands; null rebuilds it.
    void updateErasePixmap(QPixmap *given = nullptr);
    // How often the cached picture was built (tests).
    int pictureRebuildCount() const;

public Q_SLOTS:
    void setEditable(bool on);
    void setEditFormat(const QString &format);
    void setnSubImages(int count);
    void altDisplayBegin();
    void altDisplayEnd();
    void handle_altDisplayEnd();
    void setText(const QString &text);
    // The text less its last two characters (a two-letter unit).
    void setTextNoUnit(const QString &text);
    void setFocusColor(const QColor &color);
    void setcombinedImage(const QPixmap &image);
    void setInverseColorOnFocus(bool on);
    void setGreyOnDisable(bool on);
    void acceptNum(double number);

public:
    // The conventional spelling of setcombinedImage() and setnSubImages(), which uic calls.
    void setCombinedImage(const QPixmap &image) { setcombinedImage(image); }
    void setNSubImages(int count) { setnSubImages(count); }

Q_SIGNALS:
    void valueChanged(double number);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // Opens the numeric editor over the label with its text (editable labels).
    void openNumberEntry();

private:
    void lookChanged();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
