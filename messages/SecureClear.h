#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstring>

namespace quenzal::messages {

// Overwrites `size` bytes at `bytes` with zeros in a way the compiler may
// not leave out, for buffers that held a password or plain text: memset
// called through a volatile pointer, which the compiler cannot see through,
// at memset's speed.
inline void secureClear(void *bytes, std::size_t size)
{
    static void *(*const volatile wipe)(void *, int, std::size_t) = std::memset;
    wipe(bytes, 0, size);
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
