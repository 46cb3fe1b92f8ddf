#include "deidentification.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "anonymize_options.h"
#include "sha256.h"

namespace veltor {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits 0-9, uniform, from HMAC blocks of one message under the key.
class DigitStream {
  public:
    DigitStream(const std::vector<uint8_t>& key, std::string message)
        : m_key(key), m_message(std::move(message)) {}

    char digit() {
        for (;;) {
            const uint8_t b = next();
            if (b < 250) return static_cast<char>('0' + b % 10);
        }
    }
    char nonZeroDigit() {
        for (;;) {
            const uint8_t b = next();
            if (b < 252) return static_cast<char>('1' + b % 9);
        }
    }

  private:
    uint8_t next() {
        if (m_used == m_block.size()) {
            HmacSha256 mac(m_key.data(), m_key.size());
            mac.update(m_message);
            const uint8_t counter[4] = {
                static_cast<uint8_t>(m_counter >> 24), static_cast<uint8_t>(m_counter >> 16),
                static_cast<uint8_t>(m_counter >> 8), static_cast<uint8_t>(m_counter)};
            mac.update(counter, sizeof counter);
            m_block = mac.finish();
            ++m_counter;
            m_used = 0;
        }
        return m_block[m_used++];
    }

    const std::vector<uint8_t>& m_key;
    std::string m_message;
    Sha256Digest m_block{};
    size_t m_used = 32;
    uint32_t m_counter = 0;
};

// `count` digits as dot-separated components of at most 38 digits (a 2.25
// component must stay below 2^128), none starting with 0.
void appendComponents(std::string& out, size_t count, DigitStream& digits) {
    while (count > 0) {
        size_t take = count;
        if (take > 38) take = count == 39 ? 37 : 38; // leave at least one digit after the dot
        out += digits.nonZeroDigit();
        for (size_t i = 1; i < take; ++i)
            out += digits.digit();
        count -= take;
        if (count > 0) {
            out += '.';
            --count;
        }
    }
}

bool randomKey(std::vector<uint8_t>& key) {
    key.assign(32, 0);
    size_t got = 0;
    while (got < key.size()) {
        const ssize_t n = ::getrandom(key.data() + got, key.size() - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool readKeyFile(const std::string& path, std::vector<uint8_t>& key, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "key file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "key file " + path + ": not a regular file";
        return false;
    }
    if (st.st_size == 0) {
        ::close(fd);
        error = "key file " + path + " is empty";
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxKeyFileSize) {
        ::close(fd);
        error = "key file " + path + " is larger than 1 MiB; a key is a short secret";
        return false;
    }
    key.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < key.size()) {
        const ssize_t n = ::read(fd, key.data() + got, key.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "key file " + path + ": " +
                    (n < 0 ? std::strerror(errno) : "the file became shorter");
            ::close(fd);
            return false;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date (and back).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

int number(const char* p, size_t n) {
    int v = 0;
    for (size_t i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

bool allDigits(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!isDigit(p[i])) return false;
    return true;
}

void putNumber(char* p, size_t n, int64_t v) {
    for (size_t i = n; i-- > 0;) {
        p[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

// Moves the date at p (8 digits, or 10 with dots at 4 and 7) by `days`.
bool shiftOneDate(char* p, size_t n, int days, bool dotted) {
    const size_t monthAt = dotted ? 5 : 4;
    const size_t dayAt = dotted ? 8 : 6;
    if (dotted ? !(allDigits(p, 4) && p[4] == '.' && allDigits(p + 5, 2) && p[7] == '.' &&
                   allDigits(p + 8, 2))
               : !allDigits(p, 8))
        return false;
    (void)n;
    const int y = number(p, 4);
    const int m = number(p + monthAt, 2);
    const int d = number(p + dayAt, 2);
    if (m < 1 || m > 12 || d < 1 ||
        static_cast<unsigned>(d) > daysInMonth(y, static_cast<unsigned>(m)))
        return false;
    int64_t ny = 0;
    unsigned nm = 0, nd = 0;
    civilFromDays(daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + days, ny,
                  nm, nd);
    if (ny < 1 || ny > 9999) return false;
    putNumber(p, 4, ny);
    putNumber(p + monthAt, 2, nm);
    putNumber(p + dayAt, 2, nd);
    return true;
}

// The end of the value's text: trailing spaces and NULs are padding.
size_t trimmedLength(const char* text, size_t length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0'))
        --length;
    return length;
}

// Applies `shiftToken` to each '\'-separated value of the trimmed text of a
// copy, and writes the copy back only when every value could be moved.
template <typename ShiftToken> bool shiftValues(char* text, size_t length, ShiftToken shiftToken) {
    const size_t end = trimmedLength(text, length);
    std::string copy(text, end);
    size_t start = 0;
    while (start <= copy.size()) {
        size_t stop = copy.find('\\', start);
        if (stop == std::string::npos) stop = copy.size();
        if (!shiftToken(copy.data() + start, stop - start)) return false;
        start = stop + 1;
    }
    std::memcpy(text, copy.data(), copy.size());
    return true;
}

// Digits in dot-separated components, none empty, none with a leading zero
// (but "0" itself).
bool validComponents(std::string_view text) {
    if (text.empty()) return false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) dot = text.size();
        const std::string_view part = text.substr(start, dot - start);
        if (part.empty() || !allDigits(part.data(), part.size())) return false;
        if (part.size() > 1 && part[0] == '0') return false;
        start = dot + 1;
    }
    return true;
}

} // namespace

bool isValidUidRoot(std::string_view root) {
    return root.size() <= 40 && validComponents(root);
}

bool isValidUid(std::string_view uid) {
    return uid.size() <= 64 && validComponents(uid);
}

Deidentifier::Deidentifier(std::vector<uint8_t> key, std::string root, bool keepDates)
    : m_key(std::move(key)), m_root(std::move(root)), m_keepDates(keepDates) {}

bool Deidentifier::prepare(const AnonymizeOptions& options, Deidentifier& out, std::string& error) {
    std::string root = options.uidRoot.empty() ? std::string(kDefaultUidRoot) : options.uidRoot;
    if (!root.empty() && root.back() == '.') root.pop_back();
    if (!isValidUidRoot(root)) {
        error = "'" + options.uidRoot +
                "' is not a UID root (digits in dot-separated components without leading zeros, at "
                "most 40 characters)";
        return false;
    }
    std::vector<uint8_t> key;
    if (!options.keyFile.empty()) {
        if (!readKeyFile(options.keyFile, key, error)) return false;
    } else if (!randomKey(key)) {
        error = std::string("no random key could be drawn: ") + std::strerror(errno);
        return false;
    }
    out = Deidentifier(std::move(key), std::move(root), options.keepDates);
    return true;
}

std::string Deidentifier::replacementUid(std::string_view uid, bool* isShort) const {
    const size_t n = uid.size();
    std::string message = "uid";
    message += '\0';
    message += m_root;
    message += '\0';
    message += uid;
    DigitStream digits(m_key, std::move(message));
    std::string out;
    out.reserve(n);
    std::string_view root = m_root;
    if (n < root.size() + 1 + kUidMinimumDigits) root = kDefaultUidRoot;
    if (isShort != nullptr) *isShort = n < root.size() + 1 + kUidMinimumDigits;
    if (n >= root.size() + 2) {
        out.append(root);
        out += '.';
        appendComponents(out, n - out.size(), digits);
    } else if (n > 0) {
        // Too short for any root: digits only, which is still a UID.
        appendComponents(out, n, digits);
    }
    return out;
}

int Deidentifier::dayShift(std::string_view patient) const {
    HmacSha256 mac(m_key.data(), m_key.size());
    mac.update(std::string_view("days\0", 5));
    mac.update(patient);
    const Sha256Digest d = mac.finish();
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | d[static_cast<size_t>(i)];
    return -static_cast<int>(1 + v % kMaxDayShift);
}

bool shiftDateValue(char* text, size_t length, int days) {
    return shiftValues(text, length, [days](char* p, size_t n) {
        // A range: each side moves; an open side stays empty.
        const char* dash = static_cast<const char*>(std::memchr(p, '-', n));
        if (dash != nullptr) {
            const size_t left = static_cast<size_t>(dash - p);
            const size_t right = n - left - 1;
            auto side = [days](char* q, size_t m) {
                return m == 0 || (m == 8 && shiftOneDate(q, m, days, false)) ||
                       (m == 10 && shiftOneDate(q, m, days, true));
            };
            return (left > 0 || right > 0) && side(p, left) && side(p + left + 1, right);
        }
        if (n == 8) return shiftOneDate(p, n, days, false);
        if (n == 10) return shiftOneDate(p, n, days, true);
        return false;
    });
}

bool shiftDateTimeValue(char* text, size_t length, int days) {
    return shiftValues(text, length, [days](char* p, size_t n) {
        if (n < 8 || !shiftOneDate(p, 8, days, false)) return false;
        for (size_t i = 8; i < n; ++i)
            if (!isDigit(p[i]) && p[i] != '.' && p[i] != '+' && p[i] != '-') return false;
        return true;
    });
}

} // namespace veltor
