#include "ini_file_store.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace veltor {

namespace {

constexpr const char* kTopGroup = "Veltor Dicom Viewer";
constexpr size_t kMaxSettingsFile = 4 << 20;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Section and key names: %XX escapes.
std::string percentDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

// A value as QSettings writes strings: quoted or bare, with backslash escapes;
// bare commas separate list items, which are joined back with ", ".
std::string decodeValue(const std::string& raw) {
    std::string out;
    bool quoted = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == '\\' && i + 1 < raw.size()) {
            const char n = raw[++i];
            switch (n) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case '0': out.push_back('\0'); break;
            case 'x': {
                // \xHHHH: a UTF-16 code unit; kept for Latin-1 range only
                int v = 0, digits = 0;
                while (i + 1 < raw.size() && digits < 4 && hexDigit(raw[i + 1]) >= 0) {
                    v = v * 16 + hexDigit(raw[++i]);
                    ++digits;
                }
                if (v < 0x80) {
                    out.push_back(static_cast<char>(v));
                } else if (v < 0x800) {
                    out.push_back(static_cast<char>(0xC0 | (v >> 6)));
                    out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
                } else {
                    out.push_back(static_cast<char>(0xE0 | (v >> 12)));
                    out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
                    out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
                }
                break;
            }
            default: out.push_back(n); break;
            }
        } else if (c == ',' && !quoted) {
            out += ", ";
            while (i + 1 < raw.size() && raw[i + 1] == ' ') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

std::string IniFileSettingsStore::defaultPath() {
    const char* env = std::getenv("VELTOR_SETTINGS");
    if (env != nullptr && *env != '\0') return env;
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/Veltor/Dicom Viewer V4.0.1.ini";
}

int IniFileSettingsStore::readInt(const std::string& section, const std::string& key,
                                  int defaultValue) const {
    if (!contains(section, key)) return defaultValue;
    const std::string text = trim(readText(section, key, ""));
    if (text.empty()) return defaultValue;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end == nullptr || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return defaultValue;
    return static_cast<int>(v);
}

IniFileSettingsStore::IniFileSettingsStore() : m_path(defaultPath()) { read(); }

IniFileSettingsStore::IniFileSettingsStore(const std::string& path) : m_path(path) { read(); }

void IniFileSettingsStore::read() {
    FILE* f = std::fopen(m_path.c_str(), "rb");
    if (f == nullptr) return;
    std::string text(kMaxSettingsFile, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);

    std::string section;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = percentDecode(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        // Keys are group paths below the section, separated by backslashes.
        std::string path = section == "General" ? "" : section;
        const std::string key = percentDecode(trim(line.substr(0, eq)));
        path += path.empty() ? key : "\\" + key;
        const std::string prefix = std::string(kTopGroup) + "\\";
        if (path.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = path.substr(prefix.size());
        const size_t slash = rest.find('\\');
        if (slash == std::string::npos) continue;
        writeText(rest.substr(0, slash), rest.substr(slash + 1), decodeValue(trim(line.substr(eq + 1))));
    }
}

} // namespace veltor
