#include "IConfirmUserAction.h"

namespace NS_Utilities {

IConfirmUserAction::~IConfirmUserAction() = default;

} // namespace NS_Utilities
