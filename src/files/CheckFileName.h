#pragma once
// Every name a file dialog returns passes CheckFileName; the dialog loops of the file
// commands are built on it.
#include "Prompts.h"

#include <QString>

// False (after telling the operator) when the name holds "?": the file dialog puts it
// where the 8-bit code page has no character, so such a file could not be reached.
bool CheckFileName(const QString& fileName);

namespace pellix {

// The refusal of a name that exists but is no regular file (a folder, a pipe, a device):
// opening a pipe waits for a writer that may never come, and freezes the window.
QString NotARegularFile(const QString& fileName);

// The save dialog until the operator picks a usable name or cancels (empty result).
// An existing file is only returned after the operator agreed to rewrite it; a pipe is
// refused.
QString AskSaveFileName(const FileDialogSpec& spec);

// The open dialog until the operator picks an existing regular file or cancels (empty
// result).
QString AskOpenFileName(const FileDialogSpec& spec);

}  // namespace pellix
