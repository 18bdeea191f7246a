// The colours of the mode tabs; each display's label bar takes its tab's colour.
#pragma once

#include <QColor>

namespace orvane {

inline QColor ModeTabColour(int tab) {
  static const QColor kModeTabColours[4] = {QColor(138, 168, 228), QColor(255, 219, 117),
                                            QColor(189, 205, 159), QColor(240, 158, 159)};
  return tab >= 0 && tab < 4 ? kModeTabColours[tab] : QColor(128, 128, 128);
}

}  // namespace orvane
