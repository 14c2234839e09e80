#include "tuopancanyu.h"

void qingli_canyu() {
    // The notification areas of our desktops (XEmbed and StatusNotifier hosts)
    // drop an icon as soon as its owner is gone, so there is nothing to sweep;
    // and sweeping would mean moving the user's mouse pointer.
}
