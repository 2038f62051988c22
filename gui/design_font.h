#pragma once

#include <QFont>

namespace tavir {

// The face the windows were laid out in ("MS Sans Serif"), 8 points unless told otherwise.
// The first call maps that face, for the whole application, to a font of the same metrics,
// since Linux has no MS Sans Serif: every window that uses it measures alike.
QFont designFont(int points = 8);

} // namespace tavir
