// What the image view and frame navigation need from their document, as a
// narrow interface: the view model can then be driven by tests without files,
// and by the application over a CKelvoDoc.
#pragma once

#include <cstdint>

#include "document/kelvo_doc.h"

namespace veltor {

class ViewDocument {
  public:
    virtual ~ViewDocument() = default;
    // The current frame's display bitmap size; 0 x 0 without an image.
    virtual int32_t imageWidth() const = 0;
    virtual int32_t imageHeight() const = 0;
    // The zoom shared by every view of the document. setZoom receives values
    // already clamped to kMinZoom..kMaxZoom.
    virtual float zoom() const = 0;
    virtual void setZoom(float zoom) = 0;

    virtual int32_t frameCount() const = 0;
    virtual int32_t currentFrame() const = 0;
    // Ignored unless 0 <= index < frameCount().
    virtual void setCurrentFrame(int32_t index) = 0;
    // Playback milliseconds per frame, and the value the header gave (0: none).
    virtual double frameTime() const = 0;
    virtual void setFrameTime(double ms) = 0;
    virtual double headerFrameTime() const = 0;

    bool hasImage() const { return imageWidth() > 0 && imageHeight() > 0; }
};

// The application's document behind the interface.
class KelvoViewDocument final : public ViewDocument {
  public:
    explicit KelvoViewDocument(CKelvoDoc& doc) : m_doc(doc) {}
    int32_t imageWidth() const override;
    int32_t imageHeight() const override;
    float zoom() const override { return m_doc.zoomFactor(); }
    void setZoom(float zoom) override { m_doc.setZoomFactor(zoom); }
    int32_t frameCount() const override { return m_doc.frameCount(); }
    int32_t currentFrame() const override { return m_doc.currentFrame(); }
    void setCurrentFrame(int32_t index) override { m_doc.setCurrentFrame(index); }
    double frameTime() const override { return m_doc.frameTime(); }
    void setFrameTime(double ms) override { m_doc.setFrameTime(ms); }
    double headerFrameTime() const override;

  private:
    CKelvoDoc& m_doc;
};

} // namespace veltor
