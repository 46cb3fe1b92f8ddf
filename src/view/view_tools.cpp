#include "view/view_tools.h"

#include <array>
#include <cstddef>

namespace veltor {

namespace {

constexpr std::array<ViewToolInfo, kViewToolCount> kTools = {{
    {ViewTool::PanHand, "Pan Hand", "Cross/Pan Hand", true},
    {ViewTool::ZoomInOut, "Zoom In/Out", nullptr, true},
    {ViewTool::ZoomWindow, "Zoom Window", nullptr, true},
    {ViewTool::ZoomDynamic, "Zoom Dynamic", nullptr, true},
    {ViewTool::Movie, "Movie", nullptr, true},
    {ViewTool::ReverseMovie, "Reverse movie", nullptr, true},
    {ViewTool::AnnotationText, "Annotation Text", "Add Annotation Text", false},
    {ViewTool::SelectionRectangle, "Selection Rectangle", "Selection Rectangle", false},
    {ViewTool::MoveAnnotation, "Move Annotation", "Move Annotation", false},
    {ViewTool::DeleteAnnotation, "Delete Annotation", "Erase Annotation", false},
    {ViewTool::MeasureLength, "Mesure Length", "Mesure Length", false},
    {ViewTool::MeasureAngle, "Mesure Angle", "Mesure Angle", false},
    {ViewTool::Crop, "Crop", "Crop", false},
    {ViewTool::LevelWindow, "Level-Window", "Level-Window", false},
}};

constexpr bool tableInToolOrder() {
    for (std::size_t i = 0; i < kTools.size(); ++i)
        if (static_cast<std::size_t>(kTools[i].tool) != i) return false;
    return true;
}
static_assert(tableInToolOrder(), "the tool table is indexed by the tool's value");

} // namespace

const ViewToolInfo& viewToolInfo(ViewTool tool) {
    const auto i = static_cast<std::size_t>(tool);
    return i < kTools.size() ? kTools[i] : kTools[0];
}

ContextMenuKind contextMenuFor(ViewTool tool) {
    switch (tool) {
    case ViewTool::PanHand:
    case ViewTool::SelectionRectangle:
        return ContextMenuKind::Selection;
    case ViewTool::MoveAnnotation:
    case ViewTool::AnnotationText:
    case ViewTool::MeasureLength:
    case ViewTool::MeasureAngle:
        return ContextMenuKind::HitItem;
    default:
        return ContextMenuKind::None;
    }
}

} // namespace veltor
