#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "song/event.h"
#include "song/subheap.h"
#include "song/track.h"
#include "song/tracktable.h"
#include "song/undohooks.h"

namespace kv {

struct Song;

// What the end of an undo step asks of the rest of the program: the
// automatic save (its timer is the program's) and the playing engine. The
// default has no automatic save and never plays.
class UndoHost {
public:
    virtual ~UndoHost() = default;
    // The "AutoSaveOn" and "AutoSave" (minutes) settings as they are now.
    virtual bool AutoSaveOn() const { return false; }
    virtual int32_t AutoSaveMinutes() const { return 5; }
    // Switches "AutoSaveOn" off after the timer could not be had.
    virtual void DisableAutoSave() {}
    // Whether an automatic save is due already.
    virtual bool AutoSavePending() const { return false; }
    // Starts the repeating one-minute automatic-save timer with the next save
    // due dueInMs from now. False when no timer could be created.
    virtual bool StartAutoSave(int64_t dueInMs)
    {
        (void)dueInMs;
        return true;
    }
    virtual bool IsPlaying() const { return false; }
    // While playing, after a step changed the song: the engine takes the
    // changed tracks again and drops the deleted ones, named by fileNumber.
    virtual void RefreshPlaying(Song& song, const std::vector<int32_t>& droppedFileNumbers)
    {
        (void)song, (void)droppedFileNumbers;
    }
};

// One position of the journal: what the step found at one TrackTable
// position before it first changed it.
struct UndoSlot {
    // The Events before the first change, exactly eventCount long, with the
    // attributes beside them.
    bool hasEvents = false;
    std::vector<Event> events;
    int32_t eventCount = 0;
    bool eventsBuilt = true;
    // The SubHeap before the first payload change. Without it the Events
    // copy names blocks of the track's own heap, which the step left alone.
    bool hasHeap = false;
    SubHeap heap;
    int32_t muteFlags = 0;
    int32_t punchFlag = 0;
    int32_t loops = 1;
    int32_t delay = 0;
    int8_t transpose = 0;
    int8_t velocityAdjust = 0;
    uint8_t port = 0;
    std::string name;
    std::string instrument;
    int32_t fileNumber = -2;
    // A track the step deleted or cleared, moved here whole (stream, Events,
    // SubHeap, every field), so that even a track whose Events were never
    // built comes back exactly as it was; or an unchanged track kept in its
    // stream form (no Events) before its first change.
    std::unique_ptr<Track> record;
    bool deleted = false;
    // Tracks the step inserted just before this position's own track.
    int32_t inserted = 0;
    // A copy could not be allocated: this track's changes cannot be undone.
    bool failed = false;

    bool InUse() const { return hasEvents || record || deleted || inserted > 0; }
};

// The single-level undo journal; Undo is its own redo. It keeps, for the last
// step only, the state of every track the step touched before it was first
// touched, and costs memory only for those tracks.
//
// Steps nest: a BeginStep while a step is open joins it, and only the
// matching outermost EndStep closes it, so a command built from other
// commands is undone whole. A change made outside any step opens a suppressed
// step (nothing recorded, nothing to undo) that the next EndStep closes; a
// following command's BeginStep joins it.
class UndoJournal : public UndoHooks {
public:
    explicit UndoJournal(UndoHost* host = nullptr) : m_host(host) {}
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    void SetHost(UndoHost* host) { m_host = host; }

    // label names the step for the reader of the calling code only.
    void BeginStep(Song& song, const char* label, bool suppress = false) override;
    void EndStep(Song& song) override;
    // Forgets the last step (a song reset); an open step stays open.
    void Discard() override;

    bool IsUndoAvailable() const override { return m_undoAvailable; }
    // Edit Undo is enabled: something to undo and the engine not busy, step
    // recording apart.
    bool CanUndo(bool engineBusy, bool stepRecording) const
    {
        return m_undoAvailable && (!engineBusy || stepRecording);
    }
    // Swaps the journal with the song; false when there is nothing to undo or
    // no memory for the swap (the song is then untouched).
    bool Undo(Song& song);
    // The Edit Undo command: Undo with the views' hints held back, then one
    // "song replaced" hint. Ignored when CanUndo is false.
    bool EditUndo(Song& song, bool engineBusy, bool stepRecording);

    // --- the track storage's calls, each before the change it announces ----
    void UndoLockTrk(Song& song, int track) override;
    void UndoChgSubHeap(Song& song, int track) override;
    void UndoInsTrk(Song& song, int index, int count) override;
    // The track moves into the journal whole; the table record is left
    // empty for the caller to close the gap.
    void UndoDelTrk(Song& song, int track) override;
    // As UndoDelTrk, but the position stays: the caller resets the track.
    void UndoClrTrk(Song& song, int track) override;

    bool StepOpen() const { return m_open; }
    bool Suppressed() const { return m_suppressed; }
    // Grows by one with every step (and every Undo) that changed the song;
    // the automatic save compares it with its value at the last save.
    uint32_t ChangeCount() const { return m_changeCount; }
    const UndoSlot& Slot(int position) const { return m_slots[size_t(position)]; }
    int SlotsInUse() const;
    // Bytes the journal copied (Events, or the stream of an unchanged
    // track): its cost beyond the data that deleted tracks moved into it.
    size_t CopiedBytes() const;

private:
    struct Place {
        int slot = -1;
        bool own = false;  // the slot's own track, not one the step inserted
    };

    Place SlotOf(int index) const;
    void KeepStreamForm(UndoSlot& s, Track& t);
    bool Recording(Song& song, const char* label);
    void ClearSlots();
    void Fatal(Song& song, int number);
    void ArmAutoSave(Song& song);
    std::vector<int32_t> DroppedFileNumbers() const;

    bool UndoSwaps(Song& song);
    bool UndoInserted(Song& song);
    bool UndoDeleted(Song& song);
    void AfterUndo(Song& song);

    UndoHost* m_host = nullptr;
    std::array<UndoSlot, kMaxTracks> m_slots;
    bool m_open = false;
    int m_depth = 0;  // explicit BeginSteps not yet ended; 0 for an implicit step
    bool m_suppressed = false;
    bool m_tracksInserted = false;
    bool m_tracksDeleted = false;
    // The step both inserted and deleted tracks: its journal cannot place
    // them, so it is dropped rather than undone wrongly.
    bool m_broken = false;
    bool m_undoAvailable = false;
    bool m_inUndo = false;
    uint32_t m_changeCount = 0;
};

}  // namespace kv
