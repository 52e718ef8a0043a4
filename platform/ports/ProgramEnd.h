#pragma once

namespace quenzal {

// Ends the program at once: every window goes without its close handling
// running and without a question. Code that calls endNow() from inside a
// nested event loop (a message box) must return straight after.
class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    virtual void endNow() = 0;
};

} // namespace quenzal
