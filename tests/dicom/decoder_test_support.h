// Helpers shared by the compressed-frame decoder tests: fixture files made by
// tools/make_decoder_fixtures.sh and the error stream captured as text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lossless_jpeg_writer.h"

namespace veltor::test {

inline std::string decoderFixturePath(const std::string& name) {
    return std::string(VELTOR_TEST_DATA) + "/decoders/" + name;
}

inline std::vector<uint8_t> readFixture(const std::string& name) {
    std::ifstream in(decoderFixturePath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Collects what a decoder writes to its error stream.
class CapturedStream {
public:
    CapturedStream() : m_file(std::tmpfile()) {}
    ~CapturedStream() {
        if (m_file != nullptr) std::fclose(m_file);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* file() const { return m_file; }

    std::string text() const {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string result;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) result.append(buffer, n);
        return result;
    }

private:
    std::FILE* m_file;
};

} // namespace veltor::test
