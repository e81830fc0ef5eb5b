#include "CDialTip.h"

CDialTip::CDialTip(QWidget *parent)
    : QLabel(parent)
{
}

CDialTip::~CDialTip() = default;
