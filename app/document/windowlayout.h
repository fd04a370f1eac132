#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

class SettingsStore;

inline constexpr const char* kPlacementsSection = "Placements";
inline constexpr const char* kToolbarsSection = "Toolbars";
inline constexpr const char* kToolbarsKey = "State";

// Where a window stands: its show state, the minimised and maximised
// positions and the rectangle it has when neither. Stored as a 44-byte
// binary record (length, flags, show state, the two points, the rectangle;
// little-endian 32-bit words), so a layout written by one build reads in
// another.
struct WindowPlacement {
    enum Show : int32_t { kNormal = 1, kMinimised = 2, kMaximised = 3 };
    int32_t flags = 0;
    int32_t show = kNormal;
    int32_t minX = -1, minY = -1;
    int32_t maxX = -1, maxY = -1;
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const WindowPlacement&) const = default;
};

inline constexpr size_t kPlacementBytes = 44;

std::vector<uint8_t> EncodePlacement(const WindowPlacement& p);
// nullopt for a record of another length or an empty or inverted rectangle:
// a hand-edited store may hold anything, and such a window would vanish.
std::optional<WindowPlacement> DecodePlacement(const std::vector<uint8_t>& bytes);

// One saved song window.
struct LayoutEntry {
    std::string className;
    WindowPlacement placement;
};

// The layout as stored: entry 0 (the main window) and the song windows.
struct WindowLayout {
    std::optional<WindowPlacement> main;
    std::vector<LayoutEntry> windows;
};

// An open song window as the layout sees it.
struct OpenWindow {
    int viewType = 0;
    WindowPlacement placement;
};

// Deletes "Placements" and writes entry 0 for the main window, then one
// entry per open window of a known view type, in the order given.
void SaveWindowPositions(SettingsStore& store, const WindowPlacement& main,
                         const std::vector<OpenWindow>& windows);
// Entries 1, 2, ... while "Class%d" exists; an entry whose placement cannot
// be read is skipped. No main placement when entry 0 is missing or unreadable.
WindowLayout ReadWindowLayout(const SettingsStore& store);

// What restoring a layout does to the open song windows.
struct RestoreAction {
    enum Kind { kPlace, kOpen, kClose } kind = kPlace;
    int window = -1;   // index into the open windows (kPlace, kClose)
    int viewType = 0;  // kOpen
    WindowPlacement placement;
};

// For each saved entry in order: place an open window of its type that is
// not placed yet, or open a new one; windows left unplaced are closed.
// Entries of unknown classes, and a second window of a single-instance type,
// are skipped.
std::vector<RestoreAction> PlanRestore(const WindowLayout& layout, const std::vector<int>& openViewTypes);

// The placement a window not maximised gets: the saved one moved so that the
// window keeps its current size.
WindowPlacement KeepSize(const WindowPlacement& saved, int32_t currentWidth, int32_t currentHeight);

// A new song window takes the placement of the first saved entry of its
// class, when there is one.
std::optional<WindowPlacement> PlacementForClass(const WindowLayout& layout, const std::string& className);

}  // namespace kv
