#include "UploadForm.h"

#include "Text8Bit.h"

namespace Cloud {

QByteArray build_upload_body(const QString& file_name, const QByteArray& content)
{
    const QByteArray crlf = QByteArrayLiteral("\r\n");
    const QByteArray boundary(kUploadBoundary);

    QByteArray body;
    body += "--" + boundary + crlf;
    body += "Content-Disposition: form-data; name=\"MAX_FILE_SIZE\"" + crlf + crlf;
    body += QByteArray::number(10485760) + crlf;
    body += "--" + boundary + crlf;
    body += "Content-Disposition: form-data; name=\"userdata_upload\"; filename=\""
        + to8bit(file_name) + "\"" + crlf;
    body += "Content-Type: application/octet-stream" + crlf + crlf;
    body += content;
    body += crlf + "--" + boundary + "--" + crlf + crlf;
    return body;
}

} // namespace Cloud
