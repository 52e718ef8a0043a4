#pragma once

#include <QByteArray>

#include <cstddef>

namespace quenzal::messages {

// Overwrites `size` bytes at `bytes` with zeros in a way the compiler may
// not leave out, for buffers that held a password or plain text.
inline void secureClear(void *bytes, std::size_t size)
{
    volatile unsigned char *p = static_cast<volatile unsigned char *>(bytes);
    while (size--)
        *p++ = 0;
}

// Clears a byte array's own bytes (not a shared copy's) and empties it.
inline void secureClear(QByteArray &bytes)
{
    if (!bytes.isDetached()) {
        bytes.clear();
        return;
    }
    secureClear(bytes.data(), std::size_t(bytes.size()));
    bytes.clear();
}

} // namespace quenzal::messages
