#pragma once

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>

namespace quenzal {

// What an operation that can fail gives back: its value, or why it failed.
// The reason is, unless a layer names its own kind, words fit for the end of
// an error message ("It is a folder, not a file"). Reading and writing
// files, loading the rich-text area and reading Rich Text Format all answer
// this way; OpenPGP messages, the file writer and quenzal-cli answer with a
// reason of their own kind. There is no Result<bool>: where the value says
// whether something happened, an enum names each answer (Completion).
template <typename T, typename E = QString> class [[nodiscard]] Result
{
    static_assert(!std::is_same_v<T, bool>,
                  "a bool beside a failure reads as the answer to `if`: name each value");

public:
    Result(T value) : m_value(std::move(value)) {}
    static Result failure(E reason)
    {
        Result result;
        result.m_reason = std::move(reason);
        return result;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T &value() { return *m_value; }
    const T &value() const { return *m_value; }
    T &operator*() { return *m_value; }
    const T &operator*() const { return *m_value; }
    T *operator->() { return &*m_value; }
    const T *operator->() const { return &*m_value; }

    // Why it failed; empty when it did not.
    const E &error() const { return m_reason; }

private:
    Result() = default;

    std::optional<T> m_value;
    E m_reason{};
};

// The answer of an operation that gives nothing back but may fail.
template <typename E> class [[nodiscard]] Result<void, E>
{
public:
    Result() = default;
    static Result failure(E reason)
    {
        Result result;
        result.m_failed = true;
        result.m_reason = std::move(reason);
        return result;
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const E &error() const { return m_reason; }

private:
    bool m_failed = false;
    E m_reason{};
};

// How work that its caller may stop part way (a Cancel, a reader that wants
// no more) ended when nothing failed.
enum class Completion {
    Whole,   // it went to the end
    Stopped, // the caller stopped it part way
};

// A failure's sentence for a message: "Could not read "notes.txt": No such
// file or directory." A reason's own full stop is not doubled.
inline QString couldNot(const QString &what, QString reason)
{
    while (reason.endsWith(u'.'))
        reason.chop(1);
    return QStringLiteral("Could not %1: %2.").arg(what, reason);
}

} // namespace quenzal
