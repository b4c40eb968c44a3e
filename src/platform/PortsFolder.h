#pragma once
#include <QString>

namespace pellix {

// Folder whose COM<n> entries (links or devices) override the default COM table:
// $PELLIX_PORTS_DIR, else <config dir>/Quorvel/Pellix Tool/ports.
QString portsFolder();

// Path of the COM<n> entry in the ports folder (it may not exist).
QString portsFolderEntry(int comNumber);

}  // namespace pellix
