#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

// The one shape of a failure the libraries hand back: a code that callers may
// branch on and a message a user can act on (it names the file or the input
// and the reason). Success carries no message.

enum class StatusCode {
    Ok,
    CannotOpen,    // an input could not be opened; nothing was read
    CannotCreate,  // an output could not be created; nothing was touched
    NotValid,      // the input is not what it claims to be (a damaged or foreign file, a bad value)
    ReadFailed,    // the medium failed while reading; nothing is handed back
    WriteFailed,   // the medium failed while writing; the target is left as it was
    TooLarge,      // beyond the caller's limit; nothing is handed back
    Refused,       // a request the program will not carry out (it would lose data)
    Stopped,       // the user stopped the work; what was done so far stands
};

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(StatusCode code, std::string message) : code_(code), message_(std::move(message))
    {
        assert(code != StatusCode::Ok);
    }

    static Status Success() { return {}; }

    bool Ok() const noexcept { return code_ == StatusCode::Ok; }
    StatusCode Code() const noexcept { return code_; }
    const std::string& Message() const noexcept { return message_; }

    friend bool operator==(const Status&, const Status&) = default;

private:
    StatusCode code_ = StatusCode::Ok;
    std::string message_;
};

// A value or the Status that says why there is none (abseil's StatusOr).
// To be used as follows: check Ok(), then read Value() or Error().
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Status error) : state_(std::in_place_index<1>, std::move(error)) { assert(!Error().Ok()); }

    bool Ok() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return Ok(); }

    // Only when Ok(); otherwise throws std::bad_variant_access.
    T& Value() & { return std::get<0>(state_); }
    const T& Value() const& { return std::get<0>(state_); }
    T&& Value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }

    // Only when !Ok(); otherwise throws std::bad_variant_access.
    const Status& Error() const& { return std::get<1>(state_); }
    StatusCode Code() const noexcept { return Ok() ? StatusCode::Ok : Error().Code(); }
    const std::string& Message() const
    {
        static const std::string NO_MESSAGE;
        return Ok() ? NO_MESSAGE : Error().Message();
    }

private:
    std::variant<T, Status> state_;
};
