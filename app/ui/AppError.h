#pragma once

#include <QString>

#include <stdexcept>

// An error a handler raises for the user to see; the handler guard shows its text in the error
// box and the program goes on.
class EAppError : public std::runtime_error
{
public:
    explicit EAppError(const QString& message) : std::runtime_error(message.toStdString()) {}
    [[nodiscard]] QString Message() const { return QString::fromStdString(what()); }
};
