#pragma once

#include <QPixmap>

namespace trqx {

// The 16 x 16 pictures beside the FTP counter rows: a lit green lamp for the host the FTP
// task puts to, an unlit grey one for the other. Drawn in code, so no image file ships.
inline constexpr int kHostMarkerSize = 16;
QPixmap ActiveHostMarker();
QPixmap InactiveHostMarker();

}  // namespace trqx
