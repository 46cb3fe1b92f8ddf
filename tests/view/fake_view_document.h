// A document for view tests: frames of chosen sizes, no files.
#pragma once

#include <vector>

#include "view/view_document.h"
#include "view/view_geometry.h"

namespace veltor::testing {

struct FakeViewDocument : ViewDocument {
    std::vector<ViewSize> frames{{512, 512}};
    int32_t current = 0;
    float zoomValue = 1.0f;
    double frameTimeMs = 66.67;
    double headerFrameTimeMs = 0.0;

    int32_t imageWidth() const override { return frame().width; }
    int32_t imageHeight() const override { return frame().height; }
    float zoom() const override { return zoomValue; }
    void setZoom(float z) override { zoomValue = z; }
    int32_t frameCount() const override { return static_cast<int32_t>(frames.size()); }
    int32_t currentFrame() const override { return current; }
    void setCurrentFrame(int32_t index) override {
        if (index >= 0 && index < frameCount()) current = index;
    }
    double frameTime() const override { return frameTimeMs; }
    void setFrameTime(double ms) override { frameTimeMs = ms; }
    double headerFrameTime() const override { return headerFrameTimeMs; }

  private:
    ViewSize frame() const {
        return current >= 0 && current < frameCount() ? frames[static_cast<size_t>(current)]
                                                      : ViewSize{};
    }
};

} // namespace veltor::testing
