#include "SampleStore.h"

#include "Hex.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace nimbixd {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw StoreError(what + " " + path + ": " + std::strerror(errno));
}

void write_all(int fd, const std::string& data, const std::string& path)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write", path);
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

std::string md5_hex(const std::string& data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr) != 1)
        throw StoreError("MD5 is not available from the crypto library");
    return hex_of(std::string_view(reinterpret_cast<const char*>(digest), size));
}

SampleStore::SampleStore(std::string folder)
    : folder_(std::move(folder))
{
    struct stat info {};
    if (::stat(folder_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || ::access(folder_.c_str(), W_OK) != 0)
        throw StoreError("--samples " + folder_ + ": not a folder this service can write to");
}

SampleStore::Result SampleStore::store(const std::string& content) const
{
    const std::string key = md5_hex(content);
    const std::string path = folder_ + "/" + key;
    if (::access(path.c_str(), F_OK) == 0)
        return {key, false};

    std::string temporary = folder_ + "/." + key + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        fail("cannot create", temporary);
    try {
        write_all(fd, content, temporary);
        if (::fsync(fd) != 0)
            fail("cannot write", temporary);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    ::close(fd);
    // link() never replaces an existing file, so of two concurrent uploads
    // of one content exactly one is stored.
    const int linked = ::link(temporary.c_str(), path.c_str());
    const int link_errno = errno;
    ::unlink(temporary.c_str());
    if (linked == 0)
        return {key, true};
    if (link_errno == EEXIST)
        return {key, false};
    errno = link_errno;
    fail("cannot store", path);
}

} // namespace nimbixd
