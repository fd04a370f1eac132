#pragma once

#include <cstdint>
#include <string>

namespace kv {

// What the transport needs of the main window and the document. The program
// implements it over CMidiDoc and CMainFrame; tests record the calls.
class TransportHost {
public:
    virtual ~TransportHost() = default;
    // The song position in ticks (the toolbar's position field).
    virtual int32_t SongPosition() const = 0;
    // Hint kind 8: every view moves to tick, which becomes the song
    // position; select as the hint's select flag.
    virtual void GoToTime(int32_t tick, bool select) = 0;
    // Hint kind 6: the play position: a tick, -2 while a run is set up, -1
    // when it is gone.
    virtual void PlayPosition(int32_t value) { (void)value; }
    // The track list's current event mark of a track: an Events index, -2
    // while the track is prepared for playing, -1 for none.
    virtual void TrackEventMark(int track, int32_t index) { (void)track, (void)index; }
    // The status bar's time pane (32871) and message pane.
    virtual void StatusTime(const std::string& text) { (void)text; }
    virtual void StatusMessage(const std::string& text) { (void)text; }
    // The Play Controls Toolbar's tempo box, in beats per minute.
    virtual void TempoBox(int32_t beatsPerMinute) { (void)beatsPerMinute; }
    // The playing flag changed (the document keeps it for the undo journal
    // and the commands that are refused while playing).
    virtual void PlayingChanged(bool playing) { (void)playing; }
    // Go To: keyboard focus into the toolbar's position field, text selected.
    virtual void FocusPositionField() {}
    virtual bool StepRecording() const { return false; }
};

}  // namespace kv
