#pragma once

#include <QByteArray>
#include <QString>

namespace Cloud {

// The boundary of the sample upload form, as a web browser would pick one.
inline constexpr char kUploadBoundary[] = "----WebKitFormBoundaryWG34hmQbpKBINrfQ";

// The multipart form body of one sample upload: the MAX_FILE_SIZE field, then
// the file's content as the field userdata_upload under its name.
QByteArray build_upload_body(const QString& file_name, const QByteArray& content);

} // namespace Cloud
