// The toolbar buttons' images, 16 x 15 pixels, drawn by the program itself.
#pragma once

#include <QIcon>

namespace orvane {

QIcon ToolbarIcon(int command);

}  // namespace orvane
