// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File operations on path texts ("\home\u\x" for "/home/u/x"). Nothing here shows a window;
// failures come back with their reason. FileExists, FolderExists, IsReadOnly and ClearReadOnly
// live in files.h.

#include "platform/dir_reader.h"      // DirReader, ForEachEntry
#include "platform/file_attributes.h" // Exists, EntrySize, LastWriteTime, CanOpenForReading, FreeSpace
#include "platform/in_use.h"          // IsInUseForWriting, IsOpenForWritingByAnyProcess
#include "platform/removal.h"         // ForceFolder, DeletePermanently
#include "platform/transfer.h"        // TransferEntry, RenameEntry
#include "platform/trash.h"           // MoveToRecycleBin
