// A file written under a temporary name beside its target and renamed over
// it only once complete: a full disk or a failed write never leaves a
// truncated file in place of the target (nor removes a file it replaces).
#pragma once

#include <cstddef>
#include <string>

namespace veltor {

class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile(); // an uncommitted file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the target's folder. False with `error()`
    // (an errno value) when it cannot be created. A target that exists and is
    // not a regular file (a device, a pipe) is written directly instead.
    bool open(const std::string& target);
    // Appends bytes; false (and every later call false) when a write fails.
    bool write(const void* data, size_t size);
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Closes and renames over the target; false with `error()` on failure
    // (the temporary file is removed and the target left as it was).
    bool commit();
    // Removes the temporary file.
    void discard();

    int error() const { return m_error; }
    bool isOpen() const { return m_fd >= 0; }

  private:
    std::string m_target;
    std::string m_temporary; // empty when writing the target directly
    int m_fd = -1;
    int m_error = 0;
};

} // namespace veltor
