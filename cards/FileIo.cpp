#include "cards/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorex::cards {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Closes the descriptor when the object goes.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when the close reports a failed write.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error,
                   size_t maxSize) {
    content.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        error = "cannot read " + path + ": " + Reason(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "cannot read " + path + ": it is a folder, not a file";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "cannot read " + path + ": not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxSize) {
        error = path + " is too large (more than " + std::to_string(maxSize) + " bytes)";
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + Reason(errno);
            return false;
        }
        if (n == 0)
            break;
        content.append(buffer.data(), static_cast<size_t>(n));
        if (content.size() > maxSize) {
            error = path + " is too large (more than " + std::to_string(maxSize) + " bytes)";
            return false;
        }
    }
    return true;
}

bool ReplaceFile(const std::string& path, const std::string& content, std::string& error) {
    auto fail = [&](const std::string& why) {
        error = "cannot write " + path + ": " + why;
        return false;
    };
    if (path.empty())
        return fail("no file name");
    // Write through a link to the file it names, so the link stays.
    std::string target = path;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return fail("it is a folder");
    if (exists && !S_ISREG(st.st_mode))
        return fail("not a regular file");
    if (exists) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    std::string temp = target + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        return fail(Reason(errno));
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool ok = WriteAll(fd.get(), content) && ::fchmod(fd.get(), mode) == 0 &&
                    ::fsync(fd.get()) == 0 && fd.Close() &&
                    ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int why = errno;
        ::unlink(temp.c_str());
        return fail(Reason(why));
    }
    return true;
}

} // namespace vorex::cards
