#ifndef CVDTABWIDGET_H
#define CVDTABWIDGET_H

#include "zb4r_widgets_export.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <memory>

class CVDTabBar;
class QStackedWidget;

// An editor tab strip in the console's own look. It switches nothing itself: a form connects
// tabChanged(int) to the setCurrentIndex(int) of the page stack placed among its children, and
// the widget keeps that stack sized to itself, less the stack margins.
class ZB4R_WIDGETS_EXPORT CVDTabWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString titleString READ titleString WRITE setTitleString) // DefaultTitles
    Q_PROPERTY(int tabWidth READ tabWidth WRITE setTabWidth) // 130
    Q_PROPERTY(QColor enblFontColor READ enblFontColor WRITE setEnblFontColor) // palette text
    Q_PROPERTY(QColor disablFontColor READ disablFontColor WRITE setDisablFontColor) // window
    Q_PROPERTY(QColor tabBGColour READ tabBGColour WRITE setTabBGColour) // 67, 68, 78
    Q_PROPERTY(bool anchor READ anchor WRITE setAnchor) // false
    Q_PROPERTY(int anchorMarginRight READ anchorMarginRight WRITE setAnchorMarginRight) // 10
    Q_PROPERTY(int anchorMarginBottom READ anchorMarginBottom WRITE setAnchorMarginBottom) // 10
    Q_PROPERTY(bool widgetStackAnchor READ widgetStackAnchor WRITE setWidgetStackAnchor) // false
    Q_PROPERTY(int widgetStackMarginRight READ widgetStackMarginRight WRITE
                       setWidgetStackMarginRight) // 10
    Q_PROPERTY(int widgetStackMarginBottom READ widgetStackMarginBottom WRITE
                       setWidgetStackMarginBottom) // 10
    Q_PROPERTY(int tabId READ tabId DESIGNABLE false STORED false) // -1

public:
    static const char *const DefaultTitles;
    static const QColor DefaultTabBGColour;
    // Where the bar sits and how much narrower than the widget it is.
    static constexpr int BarX = 5;
    static constexpr int BarWidthLoss = 9;

    explicit CVDTabWidget(QWidget *parent = nullptr, const char *name = nullptr);
    ~CVDTabWidget() override;

    QString titleString() const;
    int tabWidth() const;
    QColor enblFontColor() const;
    QColor disablFontColor() const;
    QColor tabBGColour() const;
    bool anchor() const;
    int anchorMarginRight() const;
    int anchorMarginBottom() const;
    bool widgetStackAnchor() const;
    int widgetStackMarginRight() const;
    int widgetStackMarginBottom() const;
    // The current tab's index; -1 before the first change.
    int tabId() const;

    CVDTabBar *tabBar() const;
    // The first page stack among the children (a form's, or Designer's own), or null.
    QStackedWidget *widgetStack() const;

    // Draws the frame at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

public Q_SLOTS:
    // Entries are split at ";", empty ones dropped; the text is kept as given. Rebuilding the
    // tabs neither emits nor changes the current tab.
    void setTitleString(const QString &titles);
    void setTabWidth(int width);
    void setEnblFontColor(const QColor &colour);
    void setDisablFontColor(const QColor &colour);
    void setTabBGColour(const QColor &colour);
    void setAnchor(bool on);
    void setAnchorMarginRight(int margin);
    void setAnchorMarginBottom(int margin);
    void setWidgetStackAnchor(bool on);
    void setWidgetStackMarginRight(int margin);
    void setWidgetStackMarginBottom(int margin);
    // Indices outside the bar and the current one are ignored.
    void changeTab(int index);
    // Unknown ids are ignored.
    void changeTabWithInternalId(int id);

Q_SIGNALS:
    void aboutToShow(int index);
    void tabChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layoutChildren();
    void followParent();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
