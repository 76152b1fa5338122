#pragma once

namespace mv {
// Registers the program's resources (splash picture, help pages). They live
// in a static library, so nothing registers them unless asked; repeated calls
// are harmless.
void EnsureAppResources();
} // namespace mv
