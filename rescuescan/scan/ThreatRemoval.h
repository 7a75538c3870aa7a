#pragma once

#include <QString>

// Deletes the file of a threat the user did not trust, read-only files too,
// and logs the outcome. Returns whether the file is gone. Shared by the scan
// controller's fix and the console scanner.
bool removeThreatFile(const QString& path);
