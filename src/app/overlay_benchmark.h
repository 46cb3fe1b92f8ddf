// The overlays' part of `veltor-viewer --benchmark`.
#pragma once

namespace veltor {

class CChildFrame;
class CMainFrame;

// Prints the timings of repaints with many overlays at 100 % and 400 %, of a
// measurement following the mouse, of a marching-ants tick and of opening the
// Histogram and Info dialogs, for the document shown in `child`.
void benchmarkOverlays(CMainFrame& window, CChildFrame* child);

} // namespace veltor
