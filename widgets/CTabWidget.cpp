#include "CTabWidget.h"

#include <QTabBar>

CTabWidget::CTabWidget(QWidget *parent, const char *name)
    : QTabWidget(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
}

CTabWidget::~CTabWidget() = default;

QTabBar *CTabWidget::getTabBar() const
{
    return tabBar();
}
