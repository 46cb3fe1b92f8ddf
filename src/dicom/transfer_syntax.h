// The transfer syntaxes the reader knows: how the data set is encoded and
// which codec, if any, decodes the pixel data.
#pragma once

#include <string>

namespace veltor {

class FrameDecoder;

enum class DataSetEncoding { ImplicitLittle, ExplicitLittle, ExplicitBig, DeflatedExplicitLittle };

struct TransferSyntax {
    const char* uid;
    const char* name;        // as shown in refusals ("JPEG XL Lossless")
    const char* compression; // the file's compression text ("NONE", "RLE", "JPEG-LS", ...)
    DataSetEncoding encoding;
    // The codec of encapsulated pixel data; null for native pixel data.
    const FrameDecoder* (*decoder)();
    bool supported; // false: known by name, refused with that name
};

// The row of `uid`, compared without trailing spaces and NULs; null when the
// UID is not a transfer syntax this reader knows.
const TransferSyntax* findTransferSyntax(const char* uid);

// `uid` without trailing spaces and NUL bytes.
std::string trimmedUid(const char* uid);

} // namespace veltor
