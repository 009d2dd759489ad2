#pragma once
#include <QIcon>

namespace tarnwick::qt {

// The program's icon: a telemetry unit with its antenna. Drawn here so the program needs no
// image plug-in; tarnwick.svg in this folder is the same picture for the desktop.
QIcon appIcon();

}  // namespace tarnwick::qt
