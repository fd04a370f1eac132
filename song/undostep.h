#pragma once

namespace kv {

struct Song;

// The song's undo journal, reached through its seam; with none (a tool, a
// test) every helper below does nothing.

// Brackets a command that changes the song. Steps nest: an inner BeginStep
// joins the open step and only the outermost EndStep closes it.
void BeginStep(Song& song, const char* label, bool suppress = false);
void EndStep(Song& song);
// Forgets the last step, as a song reset does.
void DiscardUndo(Song& song);
bool IsUndoAvailable(Song& song);
// Before a track is deleted or cleared (see UndoJournal).
void UndoDelTrk(Song& song, int track);
void UndoClrTrk(Song& song, int track);

// BeginStep for the life of the object, so that every return path ends it.
class UndoStep {
public:
    UndoStep(Song& song, const char* label, bool suppress = false) : m_song(song)
    {
        BeginStep(song, label, suppress);
    }
    ~UndoStep() { EndStep(m_song); }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    Song& m_song;
};

}  // namespace kv
