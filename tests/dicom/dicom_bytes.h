// Builds DICOM byte streams for parser tests, one field at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace veltor::testing {

enum class Syntax { ImplicitLittle, ExplicitLittle, ExplicitBig };

class DicomBytes {
  public:
    explicit DicomBytes(Syntax syntax = Syntax::ExplicitLittle) : m_syntax(syntax) {}

    std::vector<uint8_t>& bytes() { return m_bytes; }
    size_t size() const { return m_bytes.size(); }

    // 128-byte preamble, "DICM" and a meta group naming `transferSyntax`
    // (omitted when empty), always explicit VR little endian.
    DicomBytes& preamble(const std::string& transferSyntax) {
        m_bytes.resize(m_bytes.size() + 128, 0);
        raw("DICM");
        const Syntax saved = m_syntax;
        m_syntax = Syntax::ExplicitLittle;
        element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
        if (!transferSyntax.empty()) element(0x0002, 0x0010, "UI", padUid(transferSyntax));
        m_syntax = saved;
        return *this;
    }

    DicomBytes& raw(const std::string& s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    DicomBytes& u8(uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    DicomBytes& u16(uint16_t v) {
        if (big()) {
            u8(static_cast<uint8_t>(v >> 8));
            u8(static_cast<uint8_t>(v));
        } else {
            u8(static_cast<uint8_t>(v));
            u8(static_cast<uint8_t>(v >> 8));
        }
        return *this;
    }
    DicomBytes& u32(uint32_t v) {
        if (big()) {
            u16(static_cast<uint16_t>(v >> 16));
            u16(static_cast<uint16_t>(v));
        } else {
            u16(static_cast<uint16_t>(v));
            u16(static_cast<uint16_t>(v >> 16));
        }
        return *this;
    }
    DicomBytes& tag(uint16_t group, uint16_t element) { return u16(group).u16(element); }

    // A complete element with a defined length in the current syntax.
    DicomBytes& element(uint16_t group, uint16_t element, const char* vr, const std::string& value) {
        tag(group, element);
        header(vr, static_cast<uint32_t>(value.size()));
        return raw(value);
    }
    // VR (when explicit) and length field for a value of `length` bytes.
    DicomBytes& header(const char* vr, uint32_t length) {
        if (m_syntax == Syntax::ImplicitLittle) return u32(length);
        raw(std::string(vr, 2));
        if (isLong(vr)) return u16(0).u32(length);
        return u16(static_cast<uint16_t>(length));
    }
    // Start of a sequence element of the given length (0xFFFFFFFF: undefined).
    DicomBytes& sequence(uint16_t group, uint16_t element, uint32_t length) {
        tag(group, element);
        return header("SQ", length);
    }
    DicomBytes& item(uint32_t length) { return tag(0xFFFE, 0xE000).u32(length); }
    DicomBytes& itemEnd() { return tag(0xFFFE, 0xE00D).u32(0); }
    DicomBytes& sequenceEnd() { return tag(0xFFFE, 0xE0DD).u32(0); }

    void setSyntax(Syntax s) { m_syntax = s; }

    static std::string padUid(std::string uid) {
        if (uid.size() % 2 != 0) uid.push_back('\0');
        return uid;
    }
    static std::string padText(std::string text) {
        if (text.size() % 2 != 0) text.push_back(' ');
        return text;
    }

  private:
    bool big() const { return m_syntax == Syntax::ExplicitBig; }
    static bool isLong(const char* vr) {
        return std::strcmp(vr, "OB") == 0 || std::strcmp(vr, "OW") == 0 ||
               std::strcmp(vr, "UN") == 0 || std::strcmp(vr, "SQ") == 0;
    }

    Syntax m_syntax;
    std::vector<uint8_t> m_bytes;
};

inline const char* syntaxUid(Syntax s) {
    switch (s) {
    case Syntax::ImplicitLittle: return "1.2.840.10008.1.2";
    case Syntax::ExplicitLittle: return "1.2.840.10008.1.2.1";
    case Syntax::ExplicitBig: return "1.2.840.10008.1.2.2";
    }
    return "";
}

} // namespace veltor::testing
