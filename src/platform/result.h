// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>

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

} // namespace sv
