#pragma once

class QWidget;

// zhiding: keeps the window above the windows of other programs, where it is,
// at its size. Calling it again changes nothing.
void zhiding(QWidget *window);
