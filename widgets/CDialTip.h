#ifndef CDIALTIP_H
#define CDIALTIP_H

#include "zb4r_widgets_export.h"

#include <QLabel>

// The small yellow value label a CDial shows under itself while the pointer is over it.
// The dial creates, fills, places and deletes it; the label has no behaviour of its own.
class ZB4R_WIDGETS_EXPORT CDialTip : public QLabel
{
    Q_OBJECT
public:
    explicit CDialTip(QWidget *parent = nullptr);
    ~CDialTip() override;
};

#endif
