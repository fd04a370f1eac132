#pragma once

#include <string_view>

namespace kv {

// The kinds of song window. The numbers are stored nowhere but name the
// windows in the layout and in the window commands.
enum ViewType {
    kNoView = 0,
    kTrkList = 1,
    kEvtList = 2,
    kPiano = 3,
    kKeyboard = 4,
    kSongView = 5,
    kScore = 6,
    kStepRecord = 7,
    kController = 8,
    kMixer = 9,
    kDrumView = 10,
    kLastViewType = 10,
};

// The class name the layout stores for a view type ("CPiano"), or "" for none.
std::string_view ViewClassName(int type);
// The view type of a stored class name; kNoView when it names none.
int ViewTypeOfClass(std::string_view className);
// Keyboard, Song View and Step Record exist at most once.
bool IsSingleInstance(int type);

inline constexpr const char* kMainFrameClass = "CMainFrame";

}  // namespace kv
