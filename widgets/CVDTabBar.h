#ifndef CVDTABBAR_H
#define CVDTABBAR_H

#include "zb4r_widgets_export.h"

#include <QStringList>
#include <QTabBar>

#include <memory>

class CVDTabWidget;

// The self-drawn tab strip of a CVDTabWidget. Every tab carries the label "_" and an internal id
// (its tab data) from a counter that never restarts, so an id names one tab for the bar's whole
// life; the bar draws the titles of its names list instead of the labels. All tabs are tabWidth
// wide and 20 pixels high.
class ZB4R_WIDGETS_EXPORT CVDTabBar : public QTabBar
{
    Q_OBJECT

public:
    static constexpr int DefaultTabWidth = 130;
    static constexpr int TabHeight = 20;

    explicit CVDTabBar(CVDTabWidget *owner, const char *name = nullptr);
    ~CVDTabBar() override;

    QStringList names() const;
    int tabWidth() const;
    // Widths of 0 and below are ignored.
    void setTabWidth(int width);
    // The internal id of the tab at index, or -1 outside the bar.
    int internalId(int index) const;
    // The index of the tab with the internal id, or -1 for an unknown id.
    int indexOfInternalId(int id) const;

    void clearTabs();
    void addVDTab(const QString &title);
    // The owner's colours changed: the picture follows.
    void lookChanged();

    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;

    // Draws the whole strip at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

Q_SIGNALS:
    // The user made a tab current: its internal id.
    void selected(int id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void tabLayoutChange() override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
