// Fuzzes the in-place blanking and the export header filter on arbitrary
// bytes: whatever the parse made of them (records of a failed parse
// included), blanking writes only inside the buffer it is given, only spaces
// or zeros, and never changes the length.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "dicom/dicom_file.h"
#include "export/anonymizer.h"
#include "export/element_for_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltor::DicomFile file;
    file.openMemory(data, size, true);

    veltor::AnonymizeOptions options;
    if (size > 0) {
        const uint8_t choice = data[size - 1];
        options.privateTags = (choice & 1) != 0;
        if ((choice & 2) != 0) options.remove[choice % veltor::kAnonymizedElementCount] = false;
    }

    // Exactly sized heap copies, so that a write past the end is caught.
    for (size_t length : {size, size / 2}) {
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[length > 0 ? length : 1]);
        if (length > 0) std::memcpy(bytes.get(), data, length);
        veltor::AnonymizeReport report;
        veltor::anonymizeBytes(bytes.get(), length, file, options, report);
        for (size_t i = 0; i < length; ++i) {
            if (bytes[i] != data[i] && bytes[i] != 0x20 && bytes[i] != 0x00) __builtin_trap();
        }
    }

    veltor::DicomElement record;
    for (int32_t i = 0; veltor::GetElementForReport(file, i, true, options, record); ++i) {
        if (options.removes(record.group, record.element) && record.text()[0] != '\0') __builtin_trap();
    }
    return 0;
}
