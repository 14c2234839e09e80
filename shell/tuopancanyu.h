#pragma once

// Clears icons that programs which ended without removing them left behind in
// the notification area. Called by the main window's unload sequence right
// after its own icon is removed.
void qingli_canyu();
