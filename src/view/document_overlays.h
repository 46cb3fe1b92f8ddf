// A document's overlays: one OverlayStore per frame, the default-annotation
// slots, the per-frame ruler settings, and the commands that add, edit,
// move, delete and copy annotations and measurements on one frame or on all
// of them. Every change of a frame's store appends an overlay entry to that
// frame's history, and the document's Undo and Redo reach the stores through
// the callbacks this object installs in it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/user_options.h"
#include "view/measurements.h"
#include "view/overlay_records.h"
#include "view/overlay_store.h"

namespace veltor {

class CKelvoDoc;

// Where the rulers of a frame start and their colour.
struct RulerSettings {
    AxisCorner corner = AxisCorner::LowerLeft;
    uint32_t colour = 0x00FFFFFF;
    friend bool operator==(const RulerSettings&, const RulerSettings&) = default;
};

class DocumentOverlays {
  public:
    // Installs the overlay side of the document's undo; the document must
    // outlive this object.
    DocumentOverlays(CKelvoDoc& doc, const UserOptions& options, TextMeasurer measure);
    ~DocumentOverlays();
    DocumentOverlays(const DocumentOverlays&) = delete;
    DocumentOverlays& operator=(const DocumentOverlays&) = delete;

    // A document has just loaded: the default annotations are placed on every
    // frame when the setting asks for them, and become the base that cannot
    // be undone.
    void afterLoad();

    CKelvoDoc& document() { return m_doc; }
    const UserOptions& options() const { return m_options; }
    const TextMeasurer& measurer() const { return m_measure; }
    int32_t frameCount() const;
    // Frame -1 (or an index out of range) is the current frame, as for the
    // document's frames; null without frames.
    const OverlayLevel* level(int32_t frame) const;
    const OverlayStore* store(int32_t frame) const;
    // The spacing measurements use: the document's, or 1 x 1 mm when either
    // value is unusable (the document is then set to 1 x 1 as well).
    PixelSpacing spacing();
    PixelSpacing spacing() const;

    // --- one frame (index outside 0..frameCount - 1: nothing) -------------
    // Each change appends an overlay entry to the frame's history.
    int32_t addAnnotation(int32_t frame, const TextAnnotation& a);
    int32_t addLength(int32_t frame, const LengthMeasurement& m);
    int32_t addAngle(int32_t frame, const AngleMeasurement& m);
    bool replaceAnnotation(int32_t frame, int32_t index, const TextAnnotation& a);
    bool replaceLength(int32_t frame, int32_t index, const LengthMeasurement& m);
    bool replaceAngle(int32_t frame, int32_t index, const AngleMeasurement& m);
    bool remove(int32_t frame, OverlayHit item);
    // Adds the offset to x and y; negative results become 0.
    bool moveAnnotation(int32_t frame, int32_t index, ViewPoint offset);
    // Index of the first record equal to `r`, or -1.
    int32_t findSame(int32_t frame, const TextAnnotation& r) const;
    int32_t findSame(int32_t frame, const LengthMeasurement& r) const;
    int32_t findSame(int32_t frame, const AngleMeasurement& r) const;
    OverlayHit hitTest(int32_t frame, ViewPoint image) const;

    // --- commands on the current frame or on all frames --------------------
    // Each returns the number of frames changed.
    //
    // A new annotation on the current frame, or on every frame.
    int32_t placeAnnotation(const TextAnnotation& a, bool allFrames);
    // Annotation `index` of the current frame gets the text, font, colour
    // and size of `edited` (its position stays). With `allFrames`, every
    // frame's copy of it (the same record) changes, and frames without one
    // get the edited annotation at its position.
    int32_t editAnnotation(int32_t index, const TextAnnotation& edited, bool allFrames);
    // Deletes the item of the current frame; in Apply to all mode with frames
    // alike, the same item on every frame that has it.
    int32_t deleteItem(OverlayHit item);
    // Copies the item of the current frame to every other frame.
    int32_t addToAllFrames(OverlayHit item);
    // Moves annotation `index` by an image offset; in Apply to all mode the
    // same annotation on every frame that has it.
    int32_t moveAnnotationOnFrames(int32_t index, ViewPoint offset);
    // A measurement's label font and colour (Font...) or colour (Color...):
    // in Apply to all mode every frame's copy changes and frames without one
    // get it; otherwise only the current frame's.
    int32_t restyleMeasurement(OverlayHit item, const OverlayFont* font, uint32_t colour);
    // The records a finished placement adds, made from the settings, the
    // document's colours and spacing, and the current frame's size.
    LengthMeasurement makeLength(ViewPoint p1, ViewPoint p2) const;
    AngleMeasurement makeAngle(ViewPoint vertex, ViewPoint p2, ViewPoint p3) const;
    // Adds a finished measurement to the current frame, or to every frame in
    // Apply to all mode with frames alike.
    int32_t addMeasurement(const LengthMeasurement& m);
    int32_t addMeasurement(const AngleMeasurement& m);

    // --- default annotations -------------------------------------------------
    // The "UserInfo" lines (Company, Address, Physician) right-aligned from
    // y = 29 on the frame (-1: every frame). A line already placed is replaced
    // when its text changed or the frame's width did (after a crop).
    void placeDefaultAnnotations(int32_t frame);
    // The annotation index that holds default line `slot` (0..2) on `frame`,
    // or -1.
    int32_t defaultAnnotationIndex(int32_t frame, int32_t slot) const;

    // --- rulers ---------------------------------------------------------------
    RulerSettings rulers(int32_t frame) const;
    void setRulers(int32_t frame, const RulerSettings& settings);

  private:
    struct DefaultSlot {
        int32_t index = -1;
        std::string text;
        int32_t frameWidth = 0; // the width it was placed for
    };
    struct FrameOverlays {
        OverlayStore store;
        std::array<DefaultSlot, 3> defaults;
        RulerSettings rulers;
    };

    // Keeps one entry per document frame (new frames start empty).
    void syncFrames() const;
    int32_t resolve(int32_t frame) const;
    bool validFrame(int32_t frame) const;
    OverlayLevel& change(int32_t frame);
    template <class R>
    int32_t addItem(int32_t frame, const R& r);
    template <class R>
    bool replaceItem(int32_t frame, int32_t index, const R& r);
    template <class R>
    int32_t findItem(int32_t frame, const R& r) const;
    template <class R>
    int32_t addToOtherFrames(const R& r);
    template <class R>
    int32_t restyle(int32_t index, std::vector<R> OverlayLevel::*list, const OverlayFont* font, uint32_t colour);
    template <class R>
    int32_t deleteEverywhere(OverlayKind kind, std::vector<R> OverlayLevel::*list, int32_t index);
    std::vector<int32_t> targetFrames(bool allFrames) const;
    void frameSize(int32_t frame, int32_t& width, int32_t& height) const;

    CKelvoDoc& m_doc;
    const UserOptions& m_options;
    TextMeasurer m_measure;
    mutable std::vector<FrameOverlays> m_frames;
    bool m_recordEdits = true;
};

} // namespace veltor
