#pragma once

class QWidget;

namespace quenzal {

class Shell;

// The pages of the maker's web site that the program links to.
enum class WebLink {
    Help,      // Help, "Quenzal Help"
    HomePage,  // Help, "Quenzal Home Page"
    Contact,   // Help, "Contact Brindlecove"
    Recommend, // Help, "Recommend Quenzal to my friends"
    MakerHome, // the About box's address label
};

// Opens a page in the user's browser through the shell, on behalf of the
// window `owner`.
void openWebLink(Shell &shell, WebLink link, QWidget *owner);

} // namespace quenzal
