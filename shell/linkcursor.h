#pragma once

#include <QCursor>

// The pointer over links and the news window's close box: the program's own
// pointing hand, 32 x 32 pixels, its hot spot at the fingertip (12, 3), the
// same on every desktop whatever its cursor theme.
QCursor linkCursor();
