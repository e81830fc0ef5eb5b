#ifndef CPULLDOWNMENU_H
#define CPULLDOWNMENU_H

#include "TMemProxy.h"

#include <QLabel>
#include <QPixmap>

#include <memory>

class CMenuObject;

// A compact selector: shows the current entry's text, or one frame of a picture strip, and drops
// a checkable menu of all entries below itself on a left click (Space or Return with the focus
// rectangle on). Choosing an entry writes offset + the entry's position, the offset being the
// parameter's minimum when the list was set. Sorted lists show their entries in numeric order
// but keep the raw values of their positions.
class ZB4R_WIDGETS_EXPORT CPullDownMenu : public QLabel, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage) // null: text mode
    Q_PROPERTY(QString menuItemList READ menuItemList WRITE setMenuItemList) // empty; ";"-joined
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 1; <= 0 counts as 1
    Q_PROPERTY(bool enableFocusRect READ enableFocusRect WRITE setEnableFocusRect) // false
    Q_PROPERTY(bool sorted READ sorted WRITE setSorted) // false
    Q_PROPERTY(bool wantCheck READ wantCheck WRITE setWantCheck) // true
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // false
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentImage NOTIFY valueChanged
                       USER true DESIGNABLE false) // 0
    ZB4R_MEMPROXY_SLOTS
public:
    explicit CPullDownMenu(QWidget *parent = nullptr, const char *name = nullptr);
    ~CPullDownMenu() override;

    QPixmap combinedImage() const;
    QString menuItemList() const;
    int nSubImages() const;
    bool enableFocusRect() const;
    bool sorted() const;
    bool wantCheck() const;

    // The frame or menu id shown.
    int currentIndex() const;
    // The menu id last chosen, -1 before any.
    int selectedItem() const;
    // Number of entries.
    int items() const;
    // Raw value of entry 0.
    int valueOffset() const;
    // Menu id -> entry position and back; the argument itself for -1, an unknown key or no list.
    int menuToMemapi(int id) const;
    int memapiToMenu(int position) const;
    // The text shown for a menu id (the sorted text with sorted), empty for an invalid id.
    QString menuText(int id) const;

    CMenuObject *menu() const;
    // Drops the menu below the widget.
    void popup();
    void updateDimensions();
    void adjustParams();

    bool connectMemAPI() override;
    void repaintScreenPrimitive(QPainter &painter);
    // How often the cached picture was built (tests).
    int pictureRebuildCount() const;

public Q_SLOTS:
    void setCombinedImage(const QPixmap &image);
    void setMenuItemList(const QString &text);
    void setnSubImages(int count);
    void setEnableFocusRect(bool on);
    void setCurrentImage(int index);
    void toggleImage();
    void indexChanged(int position);
    void setSorted(bool on);
    void setWantCheck(bool on);
    void incMenu();
    void decMenu();

public:
    // The conventional spelling of setnSubImages(), which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }

Q_SIGNALS:
    void valueChanged(int index);

protected Q_SLOTS:
    void changedTheMenu(int id);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool isImageMode() const;
    void updateCheck(int id);
    // A user's pick from the menu.
    void chooseFromMenu(int id);
    // Shows the entry holding raw value (less the offset) without writing; false when none does.
    bool showRawValue(int raw);
    void writeIndex(int index);
    void stepTo(int index);

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
