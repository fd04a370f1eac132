#pragma once

namespace kv {

struct Song;

// The undo journal as the song sees it: steps that bracket commands, and the
// calls it takes from the track storage. Every storage call comes before the
// change it announces, so the journal can copy the old state. The default
// records nothing: changes simply cannot be undone.
class UndoHooks {
public:
    virtual ~UndoHooks() = default;

    // Steps nest: an inner BeginStep joins the open step and only the
    // outermost EndStep closes it. A suppressed step records nothing.
    virtual void BeginStep(Song& song, const char* label, bool suppress)
    {
        (void)song, (void)label, (void)suppress;
    }
    virtual void EndStep(Song& song) { (void)song; }
    // Forgets the last step, as a song reset does.
    virtual void Discard() {}
    virtual bool IsUndoAvailable() const { return false; }
    // Before a track is deleted, or cleared in place.
    virtual void UndoDelTrk(Song& song, int track) { (void)song, (void)track; }
    virtual void UndoClrTrk(Song& song, int track) { (void)song, (void)track; }

    // A track's Events are about to change; they are built and locked.
    virtual void UndoLockTrk(Song& song, int track) { (void)song, (void)track; }
    // A SubHeapBlock of the track is about to be allocated or freed.
    virtual void UndoChgSubHeap(Song& song, int track) { (void)song, (void)track; }
    // count empty tracks are about to be inserted at index.
    virtual void UndoInsTrk(Song& song, int index, int count) { (void)song, (void)index, (void)count; }
};

}  // namespace kv
