// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace sv {

// For the runs without anyone watching ("/a", "/t", "--watch"), whose standard error a cron log
// or the service's journal keeps: only the program's own lines go there. Qt's messages (its
// warnings about the platform, a window it cannot raise, fonts) are left out; critical ones are
// kept, as a line of the program's. SORVANTA_QT_MESSAGES=1 lets everything through.
void KeepQtMessagesOffStandardError();

// Qt wants the user's runtime folder and says so on every start without XDG_RUNTIME_DIR (a cron
// job, a service outside a login session), making one in the temporary folder. The private
// folder the single-instance lock uses serves as that folder, so both agree.
void ProvideRuntimeFolder();

} // namespace sv
