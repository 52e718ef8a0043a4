#include "WebLinks.h"

namespace quenzal {

void openWebLink(Shell &, WebLink, QWidget *) {}

} // namespace quenzal
