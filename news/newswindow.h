#pragma once

// The news window: a small window with the maker's news page, shown on demand
// from the help menu and the tray menu.
namespace news {

void showOnDemand();

} // namespace news
