#include "IEditorExtensions.h"

IEditorExtensions::~IEditorExtensions() = default;
