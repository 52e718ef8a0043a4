#pragma once

#include "ports/Services.h"

namespace quenzal {

// Help, "About Quenzal": shows the About box, creating it when it is not open.
void showAboutBox(Services services);

} // namespace quenzal
