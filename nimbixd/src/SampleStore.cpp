#include "SampleStore.h"

#include "Hex.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace nimbixd {

namespace {

constexpr char kTemporaryPrefix[] = ".upload-";

[[noreturn]] void fail(const std::string& what, const std::string& path, int error = errno)
{
    throw StoreError(what + " " + path + ": " + std::strerror(error));
}

struct FdCloser {
    void operator()(const int* fd) const
    {
        ::close(*fd);
        delete fd;
    }
};
using Fd = std::unique_ptr<int, FdCloser>;

Fd open_for_reading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open", path);
    return Fd(new int(fd));
}

// Reads up to size bytes; fewer only at the end of the file.
std::size_t read_block(int fd, char* data, std::size_t size, const std::string& path)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("cannot read", path);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool same_content(const std::string& a, const std::string& b)
{
    const Fd fa = open_for_reading(a);
    const Fd fb = open_for_reading(b);
    std::array<char, 65536> ba;
    std::array<char, 65536> bb;
    for (;;) {
        const std::size_t na = read_block(*fa, ba.data(), ba.size(), a);
        const std::size_t nb = read_block(*fb, bb.data(), bb.size(), b);
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0)
            return false;
        if (na < ba.size())
            return true;
    }
}

} // namespace

SampleStore::SampleStore(std::string folder, SampleQuota quota)
    : folder_(std::move(folder))
    , quota_(quota)
{
    struct stat info {};
    if (::stat(folder_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || ::access(folder_.c_str(), W_OK) != 0)
        throw StoreError("--samples " + folder_ + ": not a folder this service can write to");
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir)
        fail("cannot list", folder_);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string path = folder_ + "/" + name;
        if (name.rfind(kTemporaryPrefix, 0) == 0) {
            ::unlink(path.c_str());
            continue;
        }
        struct stat file {};
        if (name.front() == '.' || ::lstat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode))
            continue;
        stored_bytes_ += static_cast<std::uint64_t>(file.st_size);
        ++stored_count_;
    }
    ::closedir(dir);
}

SampleStore::Reservation SampleStore::reserve(std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    if (stored_count_ + reserved_count_ + 1 > quota_.count
        || stored_bytes_ + reserved_bytes_ + bytes > quota_.bytes)
        return {};
    reserved_bytes_ += bytes;
    ++reserved_count_;
    return Reservation(this, bytes);
}

void SampleStore::release(std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    reserved_bytes_ -= bytes;
    --reserved_count_;
}

SampleStore::Incoming SampleStore::begin() const
{
    return Incoming(folder_);
}

// The reservation keeps the room until the sample counts as stored.
SampleStore::Result SampleStore::store(Incoming incoming, [[maybe_unused]] Reservation reservation)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(incoming.md5_, digest, &length) != 1)
        throw StoreError("MD5 is not available from the crypto library");
    const std::string key = hex_of(std::string_view(reinterpret_cast<const char*>(digest), length));
    if (::fsync(incoming.fd_) != 0)
        fail("cannot write", incoming.path_);

    for (int variant = 0; variant < kMaxVariants; ++variant) {
        const std::string name = variant == 0 ? key : key + "." + std::to_string(variant);
        const std::string path = folder_ + "/" + name;
        // link() never replaces a file, so of two uploads racing for one name
        // exactly one gets it; the other compares with it.
        if (::link(incoming.path_.c_str(), path.c_str()) == 0) {
            std::lock_guard lock(mutex_);
            stored_bytes_ += incoming.size_;
            ++stored_count_;
            return {name, true};
        }
        if (errno != EEXIST)
            fail("cannot store", path);
        if (same_content(incoming.path_, path))
            return {name, false};
    }
    throw StoreError("the digest " + key + " already names " + std::to_string(kMaxVariants)
                     + " different samples");
}

SampleStore::Reservation::Reservation(SampleStore* store, std::uint64_t bytes)
    : store_(store)
    , bytes_(bytes)
{
}

SampleStore::Reservation::Reservation(Reservation&& other) noexcept
    : store_(std::exchange(other.store_, nullptr))
    , bytes_(other.bytes_)
{
}

SampleStore::Reservation& SampleStore::Reservation::operator=(Reservation&& other) noexcept
{
    if (this != &other) {
        if (store_)
            store_->release(bytes_);
        store_ = std::exchange(other.store_, nullptr);
        bytes_ = other.bytes_;
    }
    return *this;
}

SampleStore::Reservation::~Reservation()
{
    if (store_)
        store_->release(bytes_);
}

SampleStore::Incoming::Incoming(const std::string& folder)
    : path_(folder + "/" + kTemporaryPrefix + "XXXXXX")
{
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0)
        fail("cannot create", path_);
    md5_ = EVP_MD_CTX_new();
    if (!md5_ || EVP_DigestInit_ex(md5_, EVP_md5(), nullptr) != 1) {
        EVP_MD_CTX_free(md5_);
        ::close(fd_);
        ::unlink(path_.c_str());
        throw StoreError("MD5 is not available from the crypto library");
    }
}

SampleStore::Incoming::Incoming(Incoming&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , path_(std::move(other.path_))
    , md5_(std::exchange(other.md5_, nullptr))
    , size_(other.size_)
{
}

SampleStore::Incoming::~Incoming()
{
    if (fd_ < 0)
        return;
    // Stored samples are links of their own by now: the temporary name goes
    // in every case.
    ::close(fd_);
    ::unlink(path_.c_str());
    EVP_MD_CTX_free(md5_);
}

void SampleStore::Incoming::write(std::string_view bytes)
{
    if (EVP_DigestUpdate(md5_, bytes.data(), bytes.size()) != 1)
        throw StoreError("MD5 is not available from the crypto library");
    size_ += bytes.size();
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("cannot write", path_);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace nimbixd
