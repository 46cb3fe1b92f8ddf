// Fuzzes the JPEG-LS codec (CharLS). Input: see codec_fuzz_input.h.
#include "codec_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return veltor::fuzz::decodeWithCodec(veltor::jpegLsFrameDecoder(), data, size);
}
