#ifndef TBINDINGLOG_P_H
#define TBINDINGLOG_P_H

#include <QLoggingCategory>

// Diagnostics of the binding core ("zb4r.binding").
Q_DECLARE_LOGGING_CATEGORY(lcBinding)

#endif
