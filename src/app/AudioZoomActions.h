#pragma once

#include <functional>

namespace barquill {

// The view, grid, loop, reverse and analysis actions the focused main window offers to the
// View and Bar menus, each with the query that enables its item.
struct AudioZoomActions {
    std::function<void()> zoomIn;
    std::function<void()> zoomOut;
    std::function<void()> zoomToFit;
    std::function<void()> panLeft;
    std::function<void()> panRight;
    std::function<bool()> canZoom;
    std::function<void()> shiftGridLeft;
    std::function<void()> shiftGridRight;
    std::function<void()> resetGridShift;
    std::function<void()> moveLoopLeft;
    std::function<void()> moveLoopRight;
    std::function<bool()> canShiftGrid;
    std::function<int()> gridNudge;
    std::function<bool()> canMoveLoop;
    std::function<void()> toggleReverse;
    std::function<bool()> canReverse;
    std::function<bool()> isReversed;
    std::function<void()> analyze;
    std::function<bool()> canAnalyze;
    std::function<bool()> isAnalyzing;
    std::function<bool()> hasAnalysis;
    // "Match tempo": the target (0 when off), setting it, and half or double the detected tempo.
    std::function<double()> matchTempo;
    std::function<void(double)> setMatchTempo;
    std::function<void(double)> matchDetectedTempo;
    std::function<void()> exportLoop;
    std::function<void()> exportSliceKit;
    std::function<bool()> canExport;
};

} // namespace barquill
