#include "view/view_document.h"

#include <cmath>

namespace veltor {

int32_t KelvoViewDocument::imageWidth() const {
    const ImageBuffer* frame = m_doc.frameCount() > 0 ? m_doc.frameAt(-1) : nullptr;
    return frame != nullptr && frame->displayBitmap() != nullptr ? frame->width() : 0;
}

int32_t KelvoViewDocument::imageHeight() const {
    const ImageBuffer* frame = m_doc.frameCount() > 0 ? m_doc.frameAt(-1) : nullptr;
    return frame != nullptr && frame->displayBitmap() != nullptr ? frame->height() : 0;
}

double KelvoViewDocument::headerFrameTime() const {
    const DicomFile* file = m_doc.fileCount() > 0 ? m_doc.fileAt(-1) : nullptr;
    if (file == nullptr) return 0.0;
    const double ms = file->frameTime();
    return std::isfinite(ms) && ms > 0.0 ? ms : 0.0;
}

} // namespace veltor
