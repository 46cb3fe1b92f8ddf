// JPEG through libjpeg-turbo. libjpeg reports errors by calling error_exit,
// which must not return; ours jumps back to the function that started the
// codec, so a corrupt or truncated stream becomes a null result.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "imglib/imglib_internal.h"

namespace veltor::imglib {

namespace {

// Beyond this many warnings a stream is treated as corrupt.
constexpr int kMaxWarnings = 100;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int warnings;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0)
        return; // trace messages
    // A stream that ends early is filled with grey by libjpeg; a truncated
    // file is not an image we read.
    if (err->pub.msg_code == JWRN_JPEG_EOF || ++err->warnings > kMaxWarnings)
        std::longjmp(err->jump, 1);
}

void outputMessage(j_common_ptr) {}

void installErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.warnings = 0;
}

// Adobe CMYK JPEGs store inverted ink values.
void cmykToBgr(const uint8_t* in, uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = uint8_t(y * k / 255);
        out[1] = uint8_t(m * k / 255);
        out[2] = uint8_t(c * k / 255);
    }
}

// The decoder state lives in a struct so that nothing the longjmp skips over
// needs destroying.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    uint8_t* bitmap = nullptr;
    uint8_t* cmykRow = nullptr;
};

} // namespace

uint8_t* readJpeg(FILE* file) {
    const uint64_t fileBytes = fileSizeOf(file);
    auto* d = new (std::nothrow) Decoder{};
    if (d == nullptr)
        return nullptr;
    d->cinfo.err = nullptr;
    installErrorManager(d->err);
    d->cinfo.err = &d->err.pub;
    if (setjmp(d->err.jump)) {
        jpeg_destroy_decompress(&d->cinfo);
        Imglib_FreeBitmap(d->bitmap);
        std::free(d->cmykRow);
        delete d;
        return nullptr;
    }
    jpeg_create_decompress(&d->cinfo);
    jpeg_stdio_src(&d->cinfo, file);
    jpeg_read_header(&d->cinfo, TRUE);

    jpeg_decompress_struct& cinfo = d->cinfo;
    if (!withinPixelBudget(cinfo.image_width, cinfo.image_height, fileBytes))
        errorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);

    const auto width = static_cast<int32_t>(cinfo.output_width);
    const auto height = static_cast<int32_t>(cinfo.output_height);
    d->bitmap = allocateGreyOrRgb(width, height, grey);
    if (cmyk)
        d->cmykRow = static_cast<uint8_t*>(std::malloc(size_t(width) * 4));
    if (d->bitmap == nullptr || (cmyk && d->cmykRow == nullptr))
        errorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    DibLayout layout;
    dibLayout(d->bitmap, layout);
    while (cinfo.output_scanline < cinfo.output_height) {
        // Rows arrive top first; the bitmap stores them bottom-up.
        uint8_t* row = d->bitmap + layout.pixelOffset + size_t(height - 1 - int32_t(cinfo.output_scanline)) * layout.stride;
        JSAMPROW target = cmyk ? d->cmykRow : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            errorExit(reinterpret_cast<j_common_ptr>(&cinfo));
        if (cmyk)
            cmykToBgr(d->cmykRow, row, cinfo.output_width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    uint8_t* bitmap = d->bitmap;
    std::free(d->cmykRow);
    delete d;
    return bitmap;
}

namespace {

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    uint8_t* row = nullptr;
};

} // namespace

bool writeJpeg(FILE* file, const DibRows& rows, int quality) {
    auto* e = new (std::nothrow) Encoder{};
    if (e == nullptr)
        return false;
    installErrorManager(e->err);
    e->cinfo.err = &e->err.pub;
    if (setjmp(e->err.jump)) {
        jpeg_destroy_compress(&e->cinfo);
        std::free(e->row);
        delete e;
        return false;
    }
    jpeg_create_compress(&e->cinfo);
    jpeg_stdio_dest(&e->cinfo, file);

    jpeg_compress_struct& cinfo = e->cinfo;
    const DibLayout& layout = rows.layout();
    const bool grey = rows.isGreyRamp();
    // 24-bit rows go to the encoder as they are stored (B, G, R).
    const bool direct = layout.bitCount == 24;
    cinfo.image_width = static_cast<JDIMENSION>(layout.width);
    cinfo.image_height = static_cast<JDIMENSION>(layout.height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : direct ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    e->row = static_cast<uint8_t*>(std::malloc(size_t(layout.width) * 3));
    if (e->row == nullptr)
        errorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto y = static_cast<int32_t>(cinfo.next_scanline);
        // libjpeg takes non-const rows but only reads them.
        JSAMPROW row = direct ? const_cast<uint8_t*>(rows.storedRow(y)) : e->row;
        if (grey)
            rows.greyRow(y, e->row);
        else if (!direct)
            rows.rgbRow(y, e->row);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(e->row);
    delete e;
    return true;
}

} // namespace veltor::imglib
