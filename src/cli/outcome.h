// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace quarnex {

// Everything one run of the command line produces, to be written out by the caller.
struct CliOutcome {
    int exitCode = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// The exit codes: success; a file that cannot be read or written, or input that is malformed;
// a fault of the command line itself; a check that stopped before its last sentence; a check
// that the search site stopped with its human-verification page.
inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitStopped = 3;
inline constexpr int exitVerification = 4;

// Where a long command reports how far it got while it runs, rather than when it ends.
struct ProgressOutput {
    std::function<void(const QByteArray &)> write;
    // A terminal gets one line rewritten in place; anything else a plain line per step.
    bool terminal = false;
};

// Why a command could not run, in words for the user. A fault of the command line itself
// (`usage`) is told apart from a file or its content that failed.
struct Failure {
    QString message;
    bool usage = false;
};

inline Failure usageError(QString message)
{
    return {std::move(message), true};
}

// A value, or the failure that stood in its way.
template<typename T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    T &operator*() { return *m_value; }
    T *operator->() { return &*m_value; }
    const Failure &failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

} // namespace quarnex
