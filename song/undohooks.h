#pragma once

namespace kv {

struct Song;

// The calls the undo journal takes from the track storage. Every call comes
// before the change it announces, so the journal can copy the old state.
// The default records nothing: changes simply cannot be undone.
class UndoHooks {
public:
    virtual ~UndoHooks() = default;
    // A track's Events are about to change; they are built and locked.
    virtual void UndoLockTrk(Song& song, int track) { (void)song, (void)track; }
    // A SubHeapBlock of the track is about to be allocated or freed.
    virtual void UndoChgSubHeap(Song& song, int track) { (void)song, (void)track; }
    // count empty tracks are about to be inserted at index.
    virtual void UndoInsTrk(Song& song, int index, int count) { (void)song, (void)index, (void)count; }
};

}  // namespace kv
