#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace veltor {

namespace {

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const std::string& target) {
    discard();
    m_error = 0;
    m_target = target;
    if (target.empty()) {
        m_error = ENOENT;
        return false;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            m_error = EISDIR;
            return false;
        }
        m_fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0) m_error = errno;
        return m_fd >= 0;
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    m_temporary = buffer.data();
    // mkstemp creates 0600; the finished file gets what a plain create would.
    ::fchmod(m_fd, 0666 & ~currentUmask());
    return true;
}

bool AtomicFile::write(const void* data, size_t size) {
    if (m_fd < 0) return false;
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : EIO;
            discard();
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::commit() {
    if (m_fd < 0) {
        if (m_error == 0) m_error = EBADF;
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        m_error = errno;
        if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return false;
    }
    if (m_temporary.empty()) return true;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        m_error = errno;
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return false;
    }
    m_temporary.clear();
    return true;
}

void AtomicFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

} // namespace veltor
