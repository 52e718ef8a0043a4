#pragma once

#include <QUrl>

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

// The fixed address of a page, on the maker's site chosen at build time.
QUrl webLinkAddress(WebLink link);

// Opens a page in the user's browser through the shell, on behalf of the
// window `owner`. The program's pointer turns to the custom pointer first, for
// the rest of the run; the shell's result is not looked at.
void openWebLink(Shell &shell, WebLink link, QWidget *owner);

// The application-wide pointer: from the first web link on, the custom
// pointer shows over every window of the program, in place of the windows'
// and controls' own pointers, until the program ends. No picture is ever
// assigned to it, so it looks like the ordinary arrow. Setting it again
// changes nothing.
void useCustomApplicationPointer();

// The application property that records that the custom pointer is in use
// (the override cursor is pushed once only; Qt stacks override cursors).
inline constexpr char kCustomPointerProperty[] = "quenzalCustomPointer";

} // namespace quenzal
