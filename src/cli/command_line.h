// The leading options of a subcommand's arguments, with the messages every
// subcommand gives for a bad command line.
#pragma once

#include <cstdio>

namespace veltor::cli {

// Options end at "--" or at the first argument that is not an option ("-"
// alone counts as a path); the paths follow.
class CommandLine {
  public:
    using Usage = void (*)(std::FILE* out);

    CommandLine(const char* command, int argc, char** argv, Usage usage)
        : m_command(command), m_argc(argc), m_argv(argv), m_usage(usage) {}

    // The next option, or null once the options have ended.
    const char* nextOption();
    // Whether the option just read is `name`.
    bool is(const char* name) const;
    bool isHelp() const { return is("--help") || is("-h"); }
    // The value after the option just read; null, with a message, when the
    // command line ends first.
    const char* value();
    // "unknown option" and the usage on stderr; the usage exit status.
    int unknownOption() const;
    // After the options: true when at least one path follows, else prints
    // "no input files" and the usage.
    bool havePaths() const;
    // Index into argv of the first path.
    int firstPath() const { return m_next; }

  private:
    const char* m_command;
    int m_argc;
    char** m_argv;
    Usage m_usage;
    int m_next = 0;
    const char* m_current = nullptr;
    bool m_done = false;
};

} // namespace veltor::cli
