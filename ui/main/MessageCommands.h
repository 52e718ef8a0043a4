#pragma once

class QWidget;

namespace quenzal {

class RichTextArea;
struct Services;

// The controls of the main window that Encrypt for Sending and Decrypt
// Message work on.
struct MessageControls
{
    QWidget &window;
    RichTextArea &original; // what is encrypted, or where the message is found
    RichTextArea &result;   // the armoured message, or the decrypted text
};

// Encrypt for Sending: asks for a new password twice, then the lower area
// holds the upper area's exact text (as UTF-8, every line break as it is) as
// an armoured OpenPGP message, plain text ready to copy or save.
void EncryptForSending(const MessageControls &controls, Services services);

// Decrypt Message: finds the OpenPGP message in the upper area's text
// (quoted, indented, with other text around it, any line endings), asks for
// its password once, then the lower area holds the message's exact text.
// Each failure says why in an "Error" box and leaves both areas as they were;
// after a wrong password the password may be typed again.
void DecryptMessage(const MessageControls &controls, Services services);

} // namespace quenzal
