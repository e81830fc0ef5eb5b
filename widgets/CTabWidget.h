#ifndef CTABWIDGET_H
#define CTABWIDGET_H

#include "zb4r_widgets_export.h"

#include <QTabWidget>

class QTabBar;

// A plain tab container for editor pages whose tab bar is open to its host.
class ZB4R_WIDGETS_EXPORT CTabWidget : public QTabWidget
{
    Q_OBJECT

public:
    explicit CTabWidget(QWidget *parent = nullptr, const char *name = nullptr);
    ~CTabWidget() override;

    QTabBar *getTabBar() const;
};

#endif
