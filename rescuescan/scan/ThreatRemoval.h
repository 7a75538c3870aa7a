#pragma once

#include <QString>

// Deletes the file of a threat the user did not trust, read-only files too,
// and logs the outcome. For a symbolic link that is the file it points to
// (what the scan read), then the link. Returns whether the threat is gone
// from the disk. Shared by the scan controller's fix and the console scanner.
bool removeThreatFile(const QString& path);
