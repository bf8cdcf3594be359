#pragma once

#include <QIcon>

#include "client/client_view.h"

namespace trqx {

// The history list's state icons, drawn here rather than shipped as image files: a green
// check (sent), a red cross (failed), an amber clock (pending), a grey bar (cancelled), all
// on one round badge so that the four read as a set. Each call draws anew; GUI thread only.
QIcon HistoryStateIcon(HistoryState state);

// The program's icon, on the same badge: a white upward arrow on blue.
QIcon ClientAppIcon();

}  // namespace trqx
