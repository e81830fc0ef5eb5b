// Replaced by the response maths.
namespace { [[maybe_unused]] int zb4rEqPlaceholder; }
