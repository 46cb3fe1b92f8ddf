#include "command_line.h"

#include <cstring>

#include "commands.h"

namespace veltor::cli {

const char* CommandLine::nextOption() {
    m_current = nullptr;
    if (m_done || m_next >= m_argc) return nullptr;
    const char* a = m_argv[m_next];
    if (std::strcmp(a, "--") == 0) {
        ++m_next;
        m_done = true;
        return nullptr;
    }
    if (a[0] != '-' || a[1] == '\0') {
        m_done = true;
        return nullptr;
    }
    ++m_next;
    m_current = a;
    return a;
}

bool CommandLine::is(const char* name) const { return m_current != nullptr && std::strcmp(m_current, name) == 0; }

const char* CommandLine::value() {
    if (m_next >= m_argc) {
        std::fprintf(stderr, "veltor %s: %s needs a value\n", m_command, m_current != nullptr ? m_current : "");
        return nullptr;
    }
    return m_argv[m_next++];
}

int CommandLine::unknownOption() const {
    std::fprintf(stderr, "veltor %s: unknown option '%s'\n", m_command, m_current != nullptr ? m_current : "");
    m_usage(stderr);
    return kExitUsage;
}

bool CommandLine::havePaths() const {
    if (m_next < m_argc) return true;
    std::fprintf(stderr, "veltor %s: no input files\n", m_command);
    m_usage(stderr);
    return false;
}

} // namespace veltor::cli
