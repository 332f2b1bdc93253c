#pragma once

namespace zem {

// What the program carries about itself: its title for messages, its version, its icon.
void initApplication();

} // namespace zem
