// veltor dump: one line per data element, as the header grid shows it.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "dicom/dicom_dictionary.h"
#include "dicom/dicom_file.h"
#include "document/header_format.h"
#include "export/anonymize_options.h"
#include "export/element_for_report.h"
#include "settings/ini_file_store.h"

namespace veltor::cli {

namespace {

void printDumpUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor dump [--header-only] [--nested] [--anonymized] FILE...\n"
                 "\n"
                 "Lists the data elements of each file, one per line:\n"
                 "  tag (0xgggg, 0xeeee), name, VR, length in bytes, value.\n"
                 "Numbers of binary VRs are shown in decimal, text values between quotes\n"
                 "(control characters as '.'); the pixel data shows \"Frame Data\", other\n"
                 "OB/OW/SQ values \"Sequence Data\", text of 512 bytes or more \"Long Size Data\".\n"
                 "With several files, each listing starts with a line '# FILE'. A file that\n"
                 "ends inside an element is listed up to there and marked by a last line\n"
                 "'# truncated: the file ends at byte N inside (GGGG,EEEE)'.\n"
                 "\n"
                 "Options:\n"
                 "  --header-only  stop before the pixel data group\n"
                 "  --nested       also list the elements inside sequences, indented by depth\n"
                 "  --anonymized   show the top-level values as anonymized exports show them:\n"
                 "                 the values anonymization removes come out empty (numbers 0)\n"
                 "\n"
                 "Exit status: 0 when every file was read, 1 when any failed (the reason goes\n"
                 "to standard error as 'FILE: message'), 2 for a bad command line.\n");
}

// Output is built in one buffer and written in large blocks: a dump of many
// files is dominated by formatting, not by parsing.
class LineWriter {
  public:
    explicit LineWriter(FILE* out) : m_out(out) { m_buffer.reserve(kFlushAt + 4096); }
    ~LineWriter() { flush(); }
    void put(char c) { m_buffer.push_back(c); }
    void put(const char* s) { m_buffer.append(s); }
    void put(const char* s, size_t n) { m_buffer.append(s, n); }
    void spaces(size_t n) { m_buffer.append(n, ' '); }
    void hex4(uint16_t v) {
        static const char digits[] = "0123456789abcdef";
        char b[6] = {'0', 'x', digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                     digits[v & 15]};
        m_buffer.append(b, 6);
    }
    template <typename T> void number(T v) {
        char b[24];
        auto r = std::to_chars(b, b + sizeof b, v);
        m_buffer.append(b, static_cast<size_t>(r.ptr - b));
    }
    // Text with control characters shown as '.', so one element stays one line.
    void printable(const char* s) {
        for (; *s != '\0'; ++s) {
            const auto c = static_cast<unsigned char>(*s);
            m_buffer.push_back(c < 0x20 || c == 0x7F ? '.' : static_cast<char>(c));
        }
    }
    void endLine() {
        m_buffer.push_back('\n');
        if (m_buffer.size() >= kFlushAt) flush();
    }
    void flush() {
        if (!m_buffer.empty()) std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out);
        m_buffer.clear();
    }

  private:
    static constexpr size_t kFlushAt = 1 << 16;
    FILE* m_out;
    std::string m_buffer;
};

void writeElement(LineWriter& w, const DicomElement& record, int depth) {
    w.spaces(static_cast<size_t>(depth) * 2);
    w.hex4(record.group);
    w.put(", ", 2);
    w.hex4(record.element);
    w.put("  ", 2);
    const size_t nameLength = std::strlen(record.name);
    w.printable(record.name);
    w.spaces(nameLength < 40 ? 40 - nameLength : 1);
    w.put(record.vr[0] >= 0x20 && record.vr[0] < 0x7F ? record.vr[0] : (record.vr[0] ? '?' : ' '));
    w.put(record.vr[1] >= 0x20 && record.vr[1] < 0x7F ? record.vr[1] : (record.vr[1] ? '?' : ' '));
    w.put(' ');
    char length[16];
    auto r = std::to_chars(length, length + sizeof length, record.length);
    const auto n = static_cast<size_t>(r.ptr - length);
    w.spaces(n < 10 ? 10 - n : 0);
    w.put(length, n);
    w.put("  ", 2);
    const ValueDisplay value = displayValue(record);
    if (value.kind == ValueKind::Number) {
        w.number(value.number);
    } else {
        w.put('"');
        w.printable(value.text);
        w.put('"');
    }
    w.endLine();
}

void writeChildren(LineWriter& w, const DicomElement& record, bool implicitVr, int depth) {
    for (int32_t i = 0; i < record.childCount; ++i) {
        DicomElement child = record.children[i];
        if (implicitVr) refreshVr(child);
        writeElement(w, child, depth);
        if (child.childCount > 0) writeChildren(w, child, implicitVr, depth + 1);
    }
}

} // namespace

int runDump(int argc, char** argv) {
    bool headerOnly = false;
    bool nested = false;
    bool anonymized = false;
    CommandLine line("dump", argc, argv, printDumpUsage);
    while (line.nextOption() != nullptr) {
        if (line.is("--header-only")) {
            headerOnly = true;
        } else if (line.is("--nested")) {
            nested = true;
        } else if (line.is("--anonymized")) {
            anonymized = true;
        } else if (line.isHelp()) {
            printDumpUsage(stdout);
            return kExitOk;
        } else {
            return line.unknownOption();
        }
    }
    if (!line.havePaths()) return kExitUsage;
    const int first = line.firstPath();

    // The stored anonymizing choices, read only when they are used.
    const AnonymizeOptions options =
        anonymized ? AnonymizeOptions::load(IniFileSettingsStore()) : AnonymizeOptions::load(MemorySettingsStore());
    const bool several = argc - first > 1;
    int status = kExitOk;
    LineWriter w(stdout);
    for (int i = first; i < argc; ++i) {
        const char* path = argv[i];
        DicomFile file;
        const bool ok = headerOnly ? file.openFile(path, true) : file.openForListing(path);
        if (!ok) {
            w.flush();
            std::fflush(stdout);
            std::string message = dicomErrorText(file.status());
            while (!message.empty() && message.back() == ' ') message.pop_back();
            if (!file.errorReason().empty()) message += ": " + file.errorReason();
            std::fprintf(stderr, "%s: %s\n", path, message.c_str());
            status = kExitFailure;
            continue;
        }
        if (several) {
            w.put("# ", 2);
            w.printable(path);
            w.endLine();
        }
        DicomElement record;
        for (int32_t index = 0; anonymized ? GetElementForReport(file, index, true, options, record)
                                           : file.elementAt(index, record);
             ++index) {
            writeElement(w, record, 0);
            if (nested && record.childCount > 0) writeChildren(w, record, file.implicitVr(), 1);
        }
        if (file.truncated()) {
            // The parse stopped where the data ended.
            const char* where = "the file ends inside an element";
            for (const std::string& warning : file.warnings())
                if (warning.rfind("the file ends", 0) == 0) where = warning.c_str();
            w.put("# truncated: ");
            w.printable(where);
            w.endLine();
        }
    }
    w.flush();
    return status;
}

} // namespace veltor::cli
