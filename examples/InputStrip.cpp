#include "InputStrip.h"

#include "TMemProxy.h"
#include "ValueReadout.h"

#include <QLabel>
#include <QVBoxLayout>

InputStrip::InputStrip(int channel, QWidget *parent)
    : QFrame(parent)
    , m_channel(channel)
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("strip%1").arg(channel + 1));
    setFrameShape(QFrame::StyledPanel);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(2);
    auto *name = new QLabel(QStringLiteral("CH %1").arg(channel + 1), this);
    name->setAlignment(Qt::AlignCenter);
    name->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    m_layout->addWidget(name);
}

QWidget *InputStrip::addControl(const QString &title, QWidget *control, const char *address,
                                Readout readout)
{
    auto *label = new QLabel(title, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    m_layout->addWidget(label);
    if (control) {
        if (auto *proxy = dynamic_cast<TMemProxy *>(control))
            proxy->setNamedAddress(QString::fromLatin1(address));
        m_layout->addWidget(control, 0, Qt::AlignHCenter);
    }
    if (readout == WithReadout) {
        auto *text = new ValueReadout(this);
        text->setNamedAddress(QString::fromLatin1(address));
        m_layout->addWidget(text);
    }
    return control;
}
