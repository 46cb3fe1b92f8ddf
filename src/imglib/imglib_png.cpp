// PNG through libpng. libpng reports errors by longjmp to the jump buffer of
// its read or write structure; warnings are dropped.
#include <csetjmp>
#include <cstdio>
#include <new>
#include <cstdlib>

#include <png.h>

#include "imglib/imglib_internal.h"

namespace veltor::imglib {

namespace {

void ignoreWarning(png_structp, png_const_charp) {}

[[noreturn]] void raiseError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* bitmap = nullptr;
    png_bytep* rowPointers = nullptr;
};

} // namespace

uint8_t* readPng(FILE* file) {
    const uint64_t fileBytes = fileSizeOf(file);
    auto* r = new (std::nothrow) PngReader;
    if (r == nullptr)
        return nullptr;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, raiseError, ignoreWarning);
    if (r->png != nullptr)
        r->info = png_create_info_struct(r->png);
    if (r->png == nullptr || r->info == nullptr) {
        png_destroy_read_struct(&r->png, &r->info, nullptr);
        delete r;
        return nullptr;
    }
    if (setjmp(png_jmpbuf(r->png))) {
        png_destroy_read_struct(&r->png, &r->info, nullptr);
        Imglib_FreeBitmap(r->bitmap);
        std::free(r->rowPointers);
        delete r;
        return nullptr;
    }
    png_structp png = r->png;
    png_infop info = r->info;
    // Dimensions are checked against the pixel budget once the header is
    // read, before any row is allocated; ancillary chunks are capped here.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_init_io(png, file);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!withinPixelBudget(width, height, fileBytes))
        png_error(png, "image too large");
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool grey = (colourType & PNG_COLOR_MASK_COLOR) == 0;

    // Everything becomes 8-bit grey or 8-bit B, G, R; alpha is dropped.
    if (depth == 16)
        png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (grey && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (colourType & PNG_COLOR_MASK_ALPHA)
        png_set_strip_alpha(png);
    if (!grey)
        png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != (grey ? 1 : 3) || png_get_bit_depth(png, info) != 8)
        png_error(png, "unexpected layout");

    r->bitmap = allocateGreyOrRgb(static_cast<int32_t>(width), static_cast<int32_t>(height), grey);
    if (r->bitmap == nullptr)
        png_error(png, "out of memory");
    DibLayout layout;
    dibLayout(r->bitmap, layout);
    r->rowPointers = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (r->rowPointers == nullptr)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y)
        r->rowPointers[y] = r->bitmap + layout.pixelOffset + size_t(height - 1 - y) * layout.stride;
    png_read_image(png, r->rowPointers);
    png_read_end(png, nullptr);

    uint8_t* bitmap = r->bitmap;
    png_destroy_read_struct(&r->png, &r->info, nullptr);
    std::free(r->rowPointers);
    delete r;
    return bitmap;
}

namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* row = nullptr;
};

} // namespace

bool writePng(FILE* file, const DibRows& rows) {
    auto* w = new (std::nothrow) PngWriter;
    if (w == nullptr)
        return false;
    w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, raiseError, ignoreWarning);
    if (w->png != nullptr)
        w->info = png_create_info_struct(w->png);
    if (w->png == nullptr || w->info == nullptr) {
        png_destroy_write_struct(&w->png, &w->info);
        delete w;
        return false;
    }
    if (setjmp(png_jmpbuf(w->png))) {
        png_destroy_write_struct(&w->png, &w->info);
        std::free(w->row);
        delete w;
        return false;
    }
    png_structp png = w->png;
    png_infop info = w->info;
    const DibLayout& layout = rows.layout();
    const bool grey = rows.isGreyRamp();
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height), 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    w->row = static_cast<uint8_t*>(std::malloc(size_t(layout.width) * 3));
    if (w->row == nullptr)
        png_error(png, "out of memory");
    for (int32_t y = 0; y < layout.height; ++y) {
        if (grey)
            rows.greyRow(y, w->row);
        else
            rows.rgbRow(y, w->row);
        png_write_row(png, w->row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&w->png, &w->info);
    std::free(w->row);
    delete w;
    return true;
}

} // namespace veltor::imglib
