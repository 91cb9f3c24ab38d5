#pragma once
#include <QString>

namespace tarvik {

// Applies a visual style carried among the program's resources; shows
// "Style '<name>' non trouvé" and keeps the default look when there is none.
bool applyStyle(const QString &name);

} // namespace tarvik
