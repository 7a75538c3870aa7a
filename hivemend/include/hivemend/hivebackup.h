#pragma once

// Backups of a hive file together with the transaction logs beside it, so
// that a restore gives back exactly what Windows had: a hive file that is
// dirty is only whole with its logs. Each backup is the file's own name
// with ".bhv" appended, beside it; a backup is never replaced.

#include "hivemend/export.h"

// Copies the logs of `hive` and then the hive itself to their backups. When
// the hive's backup exists nothing is copied (and the result is false), so
// that the backups of a hive and of its logs are always of one moment. True
// when every copy was made.
HIVEMEND_API bool BackupHiveWithLogs(const char* hive);

// Puts the backups of the logs of `hive` back and then that of the hive. A
// hive that neither exists nor has a backup (such as the LocalService hive
// of Windows XP) has nothing to restore. True when every copy was made.
HIVEMEND_API bool RestoreHiveWithLogs(const char* hive);
