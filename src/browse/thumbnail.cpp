#include "thumbnail.h"

#include <algorithm>
#include <cmath>

#include "dicom/dicom_file.h"

namespace veltor::browse {

Thumbnail makeThumbnail(DicomFile& file, int size, const WindowChoice& window) {
    Thumbnail t;
    const int w = file.columns(), h = file.rows();
    if (w <= 0 || h <= 0 || size <= 0 || file.frameCount() < 1) return t;
    const std::vector<uint8_t> pixels = file.frame8(1, window);
    const size_t area = size_t(w) * size_t(h);
    const bool colour = pixels.size() == area * 3;
    if (!colour && pixels.size() != area) return t;
    int tw = size, th = size;
    if (w > h)
        th = std::max(1, int(std::lround(double(h) * size / w)));
    else if (h > w)
        tw = std::max(1, int(std::lround(double(w) * size / h)));
    const int ox = (size - tw) / 2, oy = (size - th) / 2;
    t.size = size;
    t.colour = colour;
    t.rgb.assign(size_t(size) * size_t(size) * 3, 0);
    const int channels = colour ? 3 : 1;
    // Each picture pixel averages the frame pixels it covers (at least one).
    for (int y = 0; y < th; ++y) {
        const int y0 = int(int64_t(y) * h / th),
                  y1 = std::max(y0 + 1, int(int64_t(y + 1) * h / th));
        for (int x = 0; x < tw; ++x) {
            const int x0 = int(int64_t(x) * w / tw),
                      x1 = std::max(x0 + 1, int(int64_t(x + 1) * w / tw));
            uint64_t sum[3] = {0, 0, 0};
            // Large frames are sampled on a sparse grid: at most 8 x 8 per pixel.
            const int sy = std::max(1, (y1 - y0) / 8), sx = std::max(1, (x1 - x0) / 8);
            uint64_t n = 0;
            for (int yy = y0; yy < y1; yy += sy)
                for (int xx = x0; xx < x1; xx += sx) {
                    const uint8_t* p =
                        &pixels[(size_t(yy) * size_t(w) + size_t(xx)) * size_t(channels)];
                    for (int c = 0; c < channels; ++c)
                        sum[c] += p[c];
                    ++n;
                }
            uint8_t* out = &t.rgb[(size_t(oy + y) * size_t(size) + size_t(ox + x)) * 3];
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(sum[colour ? c : 0] / n);
        }
    }
    return t;
}

} // namespace veltor::browse
