#include "frmAbout.h"

namespace quenzal {

void showAboutBox(Services) {}

} // namespace quenzal
