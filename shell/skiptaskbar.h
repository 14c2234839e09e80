#pragma once

class QWindow;

// Keeps a window out of the taskbar and the pager: on X11 the window's
// _NET_WM_STATE gets _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER,
// which Qt sets only for tool windows. Call it while the window is created
// but not yet mapped (from its show event): Qt then adds its own states to
// these. Elsewhere it does nothing.
void skipTaskbar(QWindow *window);
