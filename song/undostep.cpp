#include "song/undostep.h"

#include "song/song.h"

namespace kv {

UndoJournal* JournalOf(Song& song)
{
    return dynamic_cast<UndoJournal*>(song.undo);
}

void BeginStep(Song& song, const char* label, bool suppress)
{
    if (UndoJournal* j = JournalOf(song))
        j->BeginStep(song, label, suppress);
}

void EndStep(Song& song)
{
    if (UndoJournal* j = JournalOf(song))
        j->EndStep(song);
}

void DiscardUndo(Song& song)
{
    if (UndoJournal* j = JournalOf(song))
        j->Discard();
}

bool IsUndoAvailable(Song& song)
{
    const UndoJournal* j = JournalOf(song);
    return j && j->IsUndoAvailable();
}

void UndoDelTrk(Song& song, int track)
{
    if (UndoJournal* j = JournalOf(song))
        j->UndoDelTrk(song, track);
}

void UndoClrTrk(Song& song, int track)
{
    if (UndoJournal* j = JournalOf(song))
        j->UndoClrTrk(song, track);
}

}  // namespace kv
