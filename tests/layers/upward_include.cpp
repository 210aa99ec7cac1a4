// SPDX-License-Identifier: GPL-3.0-or-later
// Built only by the test that proves a layer cannot include one above it: the engine reaches the
// store below it, and the history window's logic above it must not be found.
#include "store/settings.h"

#include "history/history_logic.h"
