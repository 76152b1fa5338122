#include "app/Resources.h"

#include <QtGlobal>

static void InitAppResources() {
  Q_INIT_RESOURCE(app);
}

namespace mv {
void EnsureAppResources() {
  static const bool done = (InitAppResources(), true);
  (void)done;
}
} // namespace mv
