// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/recording_shell.h"

#include <utility>

namespace sv {

Status RecordingShell::Record(Kind kind, std::string_view path, std::string_view argument) {
    m_calls.push_back(Call{kind, std::string(path), std::string(argument)});
    if (m_failNext.empty())
        return {};
    return Status::Fail(std::exchange(m_failNext, {}));
}

Status RecordingShell::OpenFolder(std::string_view folder) {
    return Record(Kind::OpenFolder, folder, {});
}

Status RecordingShell::OpenFile(std::string_view file) {
    return Record(Kind::OpenFile, file, {});
}

Status RecordingShell::StartProgram(std::string_view program, std::string_view argument) {
    return Record(Kind::StartProgram, program, argument);
}

} // namespace sv
