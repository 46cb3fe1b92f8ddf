// Fuzzes the DICOM reader on arbitrary bytes, in both open modes.
#include <cstddef>
#include <cstdint>

#include "openjpeg_leaks.h"
#include "dicom/dicom_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool headerOnly : {true, false}) {
        veltor::DicomFile file;
        file.openMemory(data, size, headerOnly);
        veltor::DicomElement record;
        for (int32_t i = 0; file.elementAt(i, record); ++i) {
            if (record.value != nullptr && record.length != veltor::kUndefinedLength &&
                record.value[record.length] != 0)
                __builtin_trap();
        }
    }
    return 0;
}
