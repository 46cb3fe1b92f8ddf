// The arithmetic of the "Resample" and "Canvas Size" dialogs: sizes in pixels
// or percent, constrained proportions, the scaled-size start, the largest
// level a frame can hold, the size of a reduced preview and the canvas fill.
#pragma once

#include <cstdint>

namespace veltor {

// A frame size in pixels.
struct PixelSize {
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// Sizes the dialogs accept, per side.
inline constexpr int32_t kMinImageSide = 1;
inline constexpr int32_t kMaxImageSide = 32767;
// The display scale the scaled-size start is limited to.
inline constexpr double kMaxScaledSizeFactor = 8.0;

// `value` held to 1 .. 32767.
int32_t clampImageSide(int64_t value);
// Integer part of (original x percent / 100 + 0.5), held to 1 .. 32767;
// a non-finite percent gives the original size.
int32_t percentToPixels(double percent, int32_t original);
// pixels / original x 100 (0 when the original is not positive).
double pixelsToPercent(int32_t pixels, int32_t original);
// The other side when one side changes with constrained proportions:
// integer part of (changed x otherOriginal / changedOriginal + 0.5), held to
// 1 .. 32767.
int32_t proportionalSide(int32_t changed, int32_t changedOriginal, int32_t otherOriginal);
// The frame size multiplied by the display scale, limited to at most 8
// (a scale that is not a positive number counts as 1), rounded, each side held
// to 1 .. 32767.
PixelSize scaledSizeStart(PixelSize frame, double displayScale);

// Bytes of a level of the given size: width x height x channels x bytes per
// sample (1 grey, 3 RGB; 2 for 16-bit samples).
int64_t levelDataSize(PixelSize size, int32_t channels, int32_t bytesPerSample);
// Whether the imaging library can hold such a level: its size must fit the
// level record's 32-bit data size.
bool levelSizeAllowed(PixelSize size, int32_t channels, int32_t bytesPerSample);

// Previews of a size change are computed on a reduced copy: the factor (at
// most 1) that brings the longest of `sides` down to `limit`.
double previewFactor(int32_t limit, PixelSize a, PixelSize b);
// One side reduced by the factor: integer part of (side x factor + 0.5), at
// least 1.
int32_t reducedSide(int32_t side, double factor);

// The 16-bit canvas fill the dialog starts with: the frame's background value,
// or its minimum when the background lies outside minValue .. maxValue (the
// canvas operation itself fills with the minimum then).
int32_t canvasFillStart16(int32_t background16, int32_t minValue, int32_t maxValue);
// Colours packed as the 8-bit background: R + G x 256 + B x 65536.
int32_t packColour(int32_t red, int32_t green, int32_t blue);

// The "Resample" dialog's width and height. Pixels are the truth; percents are
// shown relative to the frame size.
class ResampleSetup {
  public:
    static constexpr const char* kTitle = "Resample";
    static constexpr const char* kPixels = "Pixels";
    static constexpr const char* kPercent = "Percent";
    static constexpr const char* kConstrain = "Constrain Proportions";
    static constexpr const char* kScaledSize = "Scaled size";
    static constexpr const char* kApplyToAll = "Apply to all frames";
    // Numbered as the scaling methods of the resample operation; the trailing
    // blank of the first name is part of it.
    static constexpr const char* kMethodNames[3] = {"Nearest Neighbour ", "Bilinear", "Bicubic"};
    static constexpr int32_t kDefaultMethod = 1;

    // Opens on the frame size with constrained proportions.
    ResampleSetup(PixelSize frame, double displayScale);

    PixelSize frame() const { return m_frame; }
    PixelSize size() const { return m_size; }
    int32_t width() const { return m_size.width; }
    int32_t height() const { return m_size.height; }
    double widthPercent() const { return pixelsToPercent(m_size.width, m_frame.width); }
    double heightPercent() const { return pixelsToPercent(m_size.height, m_frame.height); }
    bool constrained() const { return m_constrained; }
    bool scaledSize() const { return m_scaledSize; }
    PixelSize scaledStart() const { return m_scaledStart; }

    // One side typed; with constrained proportions the other follows from
    // the frame's aspect.
    void setWidth(int32_t pixels);
    void setHeight(int32_t pixels);
    void setWidthPercent(double percent) { setWidth(percentToPixels(percent, m_frame.width)); }
    void setHeightPercent(double percent) { setHeight(percentToPixels(percent, m_frame.height)); }
    // Switching constrained proportions on leaves the sizes until the next edit.
    void setConstrained(bool on) { m_constrained = on; }
    // Scaled size on: both sides start from the scaled frame size; off: from
    // the frame size.
    void setScaledSize(bool on);

  private:
    PixelSize m_frame;
    PixelSize m_scaledStart;
    PixelSize m_size;
    bool m_constrained = true;
    bool m_scaledSize = false;
};

} // namespace veltor
