#pragma once

#include <string>
#include <utility>
#include <variant>

namespace quillet::platform {

// What an operating-system call that failed tells us: errno-style code and its text.
struct Error {
    int code = 0;
    std::string message;
};

// A value or the error that prevented it. The file and volume services return these
// instead of throwing or using out-parameters.
template <typename T>
class Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Error error) : m_data(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<T>(m_data); }
    T& value() { return std::get<T>(m_data); }
    const Error& error() const { return std::get<Error>(m_data); }

private:
    std::variant<T, Error> m_data;
};

template <>
class Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_ok(false) {}

    bool ok() const { return m_ok; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_ok = true;
};

using Status = Result<void>;

} // namespace quillet::platform
