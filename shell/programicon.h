#pragma once

#include <QIcon>

// The program's icon in every size it ships, for the windows and the tray of
// each of Tintoko's programs (the resources must be in the executable).
QIcon programIcon();
