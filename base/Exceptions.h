#pragma once

#include <stdexcept>
#include <string>

// Base of every error this program raises: an English message for the
// operator.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message)
    {
    }
    std::string Message() const { return what(); }
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};
