#pragma once

class QFrame;

namespace quenzal {

// Keeps a framed control's one-pixel border whole at fractional scales
// (125 %, 150 %): there the style's top and bottom lines can fall between
// device pixels and vanish, so they are drawn again on whole pixels. At
// whole scales nothing changes.
void keepFrameVisible(QFrame *frame);

} // namespace quenzal
