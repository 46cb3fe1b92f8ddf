// SHA-256 and HMAC-SHA-256 (FIPS 180-4, RFC 2104): the keyed derivations of
// de-identification (replacement UIDs, date shifts).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace veltor {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
  public:
    Sha256();
    void update(const void* data, size_t size);
    void update(std::string_view text) { update(text.data(), text.size()); }
    Sha256Digest finish();

  private:
    void block(const uint8_t* p);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_buffer{};
    size_t m_used = 0;
    uint64_t m_bytes = 0;
};

// HMAC-SHA-256 under `key` of everything passed to update().
class HmacSha256 {
  public:
    HmacSha256(const void* key, size_t keySize);
    void update(const void* data, size_t size) { m_inner.update(data, size); }
    void update(std::string_view text) { m_inner.update(text); }
    Sha256Digest finish();

  private:
    Sha256 m_inner;
    std::array<uint8_t, 64> m_outerPad{};
};

} // namespace veltor
