#include "newswindow.h"

namespace news {

void showOnDemand() {
    // There is no news window yet: on demand, nothing is shown.
}

} // namespace news
