#pragma once

#include <nimbix/NimbixExport.h>

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QString>

#include <cstdint>

namespace Cloud {

// Numbered like HashResponse.HashQueryResult of the binary protocol, so a
// report received there is taken over unchanged.
enum FileResult : std::int32_t {
    FILE_DANGEROUS = 1,
    FILE_SAFETY = 2,
    FILE_NOT_FOUND = 3,
    FILE_WAIT_FOR_SCAN = 4,
};

// Lookup service client. Objects come from CreateInstance() and end with
// release(); every call must come from the thread that created the object.
// Failures are thrown as std::runtime_error.
class NIMBIX_EXPORT INimbix {
public:
    virtual void initialize() = 0;
    virtual void release() = 0;
    virtual bool is_online() = 0;
    virtual QPair<QString, FileResult> query_file(QString path) = 0;
    virtual QPair<QString, FileResult> query_hash(QByteArray md5) = 0;
    virtual bool upload_file(QString path, QSet<QString>* keys) = 0;

protected:
    // Not virtual on purpose: the vtable stays exactly the six slots above,
    // and objects are destroyed only through release().
    ~INimbix() = default;
};

} // namespace Cloud

// Stores a new, independent lookup object in *out. If construction throws,
// the exception reaches the caller and *out is left untouched.
NIMBIX_EXPORT void CreateInstance(Cloud::INimbix** out);

// Frees the process-wide state of the binary protocol's message schemas.
// No lookup object may be used afterwards.
NIMBIX_EXPORT void shutdownLibrary();
