// JPEG encoding of a packed bitmap into memory (the frames of Motion JPEG
// videos): grey-ramp 8-bit bitmaps as one-component JPEG, others as colour.
#pragma once

#include <cstdint>
#include <vector>

namespace veltor {

// False (and `out` empty) when the bitmap is not one imglib writes or the
// encoder fails. `quality` is held to 1..100.
bool Imglib_EncodeJpeg(const uint8_t* bitmap, int quality, std::vector<uint8_t>& out);

} // namespace veltor
