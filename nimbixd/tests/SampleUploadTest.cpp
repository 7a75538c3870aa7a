// The sample upload of nimbixd: samples stored whole under their digest,
// the quota, MAX_FILE_SIZE, and uploads whose digest is taken by another
// content.
#include "NimbixdProcess.h"
#include "RawConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kBoundary = "----WebKitFormBoundaryWG34hmQbpKBINrfQ";

std::string md5(const std::string& content)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(content), QCryptographicHash::Md5).toHex().toStdString();
}

// The form the library sends, with MAX_FILE_SIZE first (or after the sample).
std::string form(const std::string& sample, const std::string& maxFileSize = "10485760", bool maxAfter = false)
{
    const std::string max = "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"MAX_FILE_SIZE\"\r\n\r\n"
        + maxFileSize + "\r\n";
    const std::string file = "--" + kBoundary
        + "\r\nContent-Disposition: form-data; name=\"userdata_upload\"; filename=\"s.bin\"\r\n"
          "Content-Type: application/octet-stream\r\n\r\n"
        + sample + "\r\n";
    return (maxAfter ? file + max : max + file) + "--" + kBoundary + "--\r\n\r\n";
}

std::string request(const std::string& body)
{
    return "POST /upfileload.php HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data;boundary=" + kBoundary
        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(missing)");
}

void writeFile(const QString& path, const std::string& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content.data(), static_cast<qint64>(content.size()));
}

class SampleUpload : public ::testing::Test {
protected:
    // nimbixd on a sample folder of this test, with these options.
    void start(const QStringList& extra = {})
    {
        NimbixdProcess::Options options;
        options.extraArguments = QStringList{"--samples", folder.path()} + extra;
        service.start({QStringLiteral("44d88612fea8a8f36de82e1278abb02f:68:Eicar")}, options);
    }

    std::pair<int, std::string> upload(const std::string& body)
    {
        RawConnection connection(service.port());
        connection.send(request(body));
        return connection.response();
    }

    QString sample(const std::string& name) const { return folder.filePath(QString::fromStdString(name)); }

    QTemporaryDir folder;
    NimbixdProcess service;
};

TEST_F(SampleUpload, StoresEachContentOnceUnderItsDigest)
{
    start();
    const std::string content = "MZ\x90" + std::string(100000, 'x') + "\r\n--" + kBoundary.substr(0, 10);
    const std::string key = md5(content);
    EXPECT_EQ(upload(form(content)), std::make_pair(200, R"({"success":1,"key":")" + key + R"("})"));
    EXPECT_EQ(readFile(sample(key)), content);
    EXPECT_EQ(upload(form(content)), std::make_pair(200, std::string(R"({"success":0,"error":1062})")));
    // Only the sample: no temporary file stays behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QString::fromStdString(key)});
}

// Another content under a digest already stored (an MD5 collision; planted
// here) is kept beside it, so that no upload keeps another out.
TEST_F(SampleUpload, KeepsDifferentContentsWithOneDigestApart)
{
    const std::string victim = "the victim's sample";
    const std::string key = md5(victim);
    writeFile(sample(key), "a colliding file that came first");
    writeFile(sample(key + ".1"), "another one");
    start();
    EXPECT_EQ(upload(form(victim)), std::make_pair(200, R"({"success":1,"key":")" + key + R"(.2"})"));
    EXPECT_EQ(readFile(sample(key + ".2")), victim);
    EXPECT_EQ(readFile(sample(key)), "a colliding file that came first");
    EXPECT_EQ(upload(form(victim)), std::make_pair(200, std::string(R"({"success":0,"error":1062})")));
}

TEST_F(SampleUpload, HonoursMaxFileSize)
{
    start();
    struct Case {
        std::string body;
        int status;
    };
    const Case table[] = {
        {form(std::string(10, 'a'), "10"), 200},
        {form(std::string(11, 'b'), "10"), 413},
        // Only a MAX_FILE_SIZE in front of the sample counts.
        {form(std::string(11, 'c'), "10", true), 200},
        // Never more than the service's own 10485760 bytes.
        {form(std::string(10485761, 'd'), "20000000"), 413},
        {form(std::string(10485760, 'e'), "20000000"), 200},
    };
    for (const Case& c : table)
        EXPECT_EQ(upload(c.body).first, c.status) << c.body.size();
    EXPECT_FALSE(QFile::exists(sample(md5(std::string(11, 'b')))));
}

TEST_F(SampleUpload, KeepsToItsQuota)
{
    start({"--samples-max-bytes", "1000", "--samples-max-count", "3"});
    EXPECT_EQ(upload(form(std::string(300, '1'))).first, 200);
    EXPECT_EQ(upload(form(std::string(300, '2'))).first, 200);
    // 600 bytes stored: no room for another form of about 450 bytes.
    const auto full = upload(form(std::string(300, '3')));
    EXPECT_EQ(full.first, 507) << full.second;
    EXPECT_EQ(upload(form(std::string(10, '4'))).first, 200);
    EXPECT_EQ(upload(form(std::string(10, '5'))).first, 507) << "three samples stored";
}

TEST_F(SampleUpload, CountsWhatTheFolderHeldAndDropsLeftovers)
{
    writeFile(sample("0123456789abcdef0123456789abcdef"), "an earlier sample");
    writeFile(sample(".upload-AbC123"), "half an upload from a run that was killed");
    start({"--samples-max-count", "1"});
    EXPECT_FALSE(QFile::exists(sample(".upload-AbC123")));
    EXPECT_EQ(upload(form("new")).first, 507);
}

TEST_F(SampleUpload, TakesChunkedForms)
{
    start();
    const std::string body = form("chunked sample");
    RawConnection connection(service.port());
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    connection.send("POST /upfileload.php HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
                    "Content-Type: multipart/form-data; boundary=" + kBoundary + "\r\n\r\n" + size + "\r\n" + body
                    + "\r\n0\r\n\r\n");
    EXPECT_EQ(connection.response(), std::make_pair(200, R"({"success":1,"key":")" + md5("chunked sample") + R"("})"));
}

TEST_F(SampleUpload, RefusesFormsItCannotRead)
{
    start();
    const std::pair<std::string, int> table[] = {
        {"POST /upfileload.php HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nhi", 400},
        {request("--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nx\r\n--" + kBoundary
                 + "--\r\n"),
         400},
        {request(form("cut").substr(0, 200)), 400},
    };
    for (const auto& [bytes, status] : table) {
        RawConnection connection(service.port());
        connection.send(bytes);
        EXPECT_EQ(connection.response().first, status) << bytes;
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

} // namespace
