#include "imaging/grey_table.h"

#include <memory>

namespace veltor {

namespace {

std::unique_ptr<uint8_t[]> buildGreyTable()
{
    auto table = std::make_unique<uint8_t[]>(size_t{1} << 24);
    size_t index = 0;
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            const double partial = 0.299 * r + 0.587 * g;
            for (int b = 0; b < 256; ++b) {
                const double v = partial + 0.114 * b + 0.5;
                const int grey = static_cast<int>(v);
                table[index++] = static_cast<uint8_t>(grey < 0 ? 0 : (grey > 255 ? 255 : grey));
            }
        }
    }
    return table;
}

} // namespace

const uint8_t* greyTable()
{
    static const std::unique_ptr<uint8_t[]> table = buildGreyTable();
    return table.get();
}

} // namespace veltor
