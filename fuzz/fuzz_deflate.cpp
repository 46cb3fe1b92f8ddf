// Fuzzes the reading of deflated data sets: the input is the deflate stream
// that follows a fixed meta group naming the deflated transfer syntax.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dicom/dicom_file.h"

namespace {

std::vector<uint8_t> metaGroup() {
    std::vector<uint8_t> m(128, 0);
    const char dicm[] = "DICM";
    m.insert(m.end(), dicm, dicm + 4);
    const char uid[] = "1.2.840.10008.1.2.1.99";
    const uint8_t tag[] = {0x02, 0x00, 0x10, 0x00, 'U', 'I', sizeof uid, 0x00};
    m.insert(m.end(), tag, tag + sizeof tag);
    m.insert(m.end(), uid, uid + sizeof uid);
    return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> meta = metaGroup();
    std::vector<uint8_t> file = meta;
    file.insert(file.end(), data, data + size);
    for (bool headerOnly : {true, false}) {
        veltor::DicomFile dicom;
        dicom.openMemory(file.data(), file.size(), headerOnly);
    }
    return 0;
}
