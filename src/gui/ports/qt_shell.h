// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell.h"

namespace sv {

// Opens folders and files through the desktop (QDesktopServices) and starts programs directly.
class QtShell final : public Shell {
public:
    Status OpenFolder(std::string_view folder) override;
    Status OpenFile(std::string_view file) override;
    Status StartProgram(std::string_view program, std::string_view argument) override;
};

} // namespace sv
