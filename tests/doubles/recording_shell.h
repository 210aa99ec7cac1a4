// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sv {

// Records the calls instead of acting on them; a queued failure is returned once.
class RecordingShell final : public Shell {
public:
    enum class Kind { OpenFolder, OpenFile, StartProgram };
    struct Call final {
        Kind kind;
        std::string path;
        std::string argument;
    };

    Status OpenFolder(std::string_view folder) override;
    Status OpenFile(std::string_view file) override;
    Status StartProgram(std::string_view program, std::string_view argument) override;

    void FailNext(std::string error) { m_failNext = std::move(error); }
    const std::vector<Call>& Calls() const { return m_calls; }

private:
    Status Record(Kind kind, std::string_view path, std::string_view argument);

    std::vector<Call> m_calls;
    std::string m_failNext;
};

} // namespace sv
