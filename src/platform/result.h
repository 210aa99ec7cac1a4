// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace sv {

// Outcome of an operation that can fail: carries the reason, never a bare bool that loses it.
class [[nodiscard]] Status final {
public:
    Status() = default;
    static Status Fail(std::string error) { return Status(std::move(error)); }

    bool ok() const { return m_error.empty(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

private:
    explicit Status(std::string error) : m_error(error.empty() ? "error" : std::move(error)) {}
    std::string m_error;
};

// A value, or the reason there is none. The reason is data (an error number, a kind of fault),
// never a text for the user: the caller knows what was being done and composes the message.
template <typename T, typename Reason> class [[nodiscard]] Result final {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    static Result Fail(Reason reason) { return Result(std::in_place_index<1>, std::move(reason)); }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const& { return std::get<0>(m_state); }
    T& value() & { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    // Only when not ok().
    const Reason& reason() const { return std::get<1>(m_state); }

private:
    template <std::size_t I, typename V>
    Result(std::in_place_index_t<I> index, V&& v) : m_state(index, std::forward<V>(v)) {}
    std::variant<T, Reason> m_state;
};

template <typename Reason> class [[nodiscard]] Result<void, Reason> final {
public:
    Result() = default;
    static Result Fail(Reason reason) {
        Result r;
        r.m_reason = std::move(reason);
        return r;
    }

    bool ok() const { return !m_reason.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when not ok().
    const Reason& reason() const { return *m_reason; }

private:
    std::optional<Reason> m_reason;
};

} // namespace sv
