// Fuzzes the JPEG 2000 and HTJ2K codec (OpenJPEG). Input: see codec_fuzz_input.h.
#include "openjpeg_leaks.h"
#include "codec_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return veltor::fuzz::decodeWithCodec(veltor::jpeg2000FrameDecoder(), data, size);
}
