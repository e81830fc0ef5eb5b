#include "TBindingLog_p.h"

Q_LOGGING_CATEGORY(lcBinding, "zb4r.binding")
