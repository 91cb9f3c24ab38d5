#pragma once
// Errors are exceptions carrying a French message; the handler guard shows
// them in an error box and the program goes on.

#include <QString>
#include <functional>
#include <stdexcept>
#include <type_traits>

namespace tarvik {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A file could not be opened, created or written.
class FileError : public Error {
public:
    using Error::Error;
};

// A file was read only up to a NUL: the program keeps it as it is and never
// writes it back, so what follows the NUL is not lost.
class KeptFileError : public FileError {
public:
    KeptFileError(const QString &message, const QString &path) : FileError(message), m_path(path) {}
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// A text is not a valid whole number (the runtime's conversion error).
class ConvertError : public Error {
public:
    using Error::Error;
};

// The message text of any exception.
QString errorMessage(const std::exception &e);

// The application's error box.
void showErrorBox(const QString &message);

// Runs a handler; an exception that escapes it is shown in the application's
// error box and swallowed, so it never crosses the event loop. Returns false
// when the handler failed.
bool runGuarded(const std::function<void()> &handler);

// Wraps a handler for connect() and timers: the returned callable runs it
// guarded, passing the signal's arguments when the handler takes them.
template <typename F>
auto guarded(F handler)
{
    return [handler](auto &&...args) {
        if constexpr (sizeof...(args) > 0 && std::is_invocable_v<const F &, decltype(args)...>)
            runGuarded([&] { handler(args...); });
        else
            runGuarded(handler);
    };
}

} // namespace tarvik
