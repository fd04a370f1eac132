#include "song/undostep.h"

#include "song/song.h"

namespace kv {

void BeginStep(Song& song, const char* label, bool suppress)
{
    if (song.undo)
        song.undo->BeginStep(song, label, suppress);
}

void EndStep(Song& song)
{
    if (song.undo)
        song.undo->EndStep(song);
}

void DiscardUndo(Song& song)
{
    if (song.undo)
        song.undo->Discard();
}

bool IsUndoAvailable(Song& song)
{
    return song.undo && song.undo->IsUndoAvailable();
}

void UndoDelTrk(Song& song, int track)
{
    if (song.undo)
        song.undo->UndoDelTrk(song, track);
}

void UndoClrTrk(Song& song, int track)
{
    if (song.undo)
        song.undo->UndoClrTrk(song, track);
}

}  // namespace kv
