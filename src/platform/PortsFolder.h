#pragma once
#include <QString>

namespace pellix {

// Folder whose COM<n> entries (links or devices) override the default COM table:
// $PELLIX_PORTS_DIR, else <config dir>/Quorvel/Pellix Tool/ports.
QString portsFolder();

// Path of the COM<n> entry in the ports folder (it may not exist).
QString portsFolderEntry(int comNumber);

// Folder where the system names serial adapters by maker, model and serial number:
// $PELLIX_BY_ID_DIR, else /dev/serial/by-id.
QString serialByIdFolder();

}  // namespace pellix
