// Sorted lists of one- and two-key codes, kept once for every context of the
// process. The first letter of a word lists every word of that letter:
// searched and sorted on each stroke it cost ten times any other stroke, and
// the second letter was the next longest.
//
// A list stays current while nothing it was built from changes: the settings
// that decide it are compared on every use, and the tables by their files and
// the lengths in their headers and by the folder's change word (write.lck),
// which every writer bumps as it takes the write lock and again as it lets
// go. While anyone but the calling thread holds the lock no list is served
// or kept. A search result that depends on what was typed before (the
// candidate a dynamic commit offers again) is never kept. This process's own
// writers tell the lists what they changed while they hold the lock: a new
// order of one main.dmg record moves it within its lists, anything else
// drops the folder's lists when the lock is let go. Memory: per data folder
// (at most four open at once) one allocation of list headers and of a pool
// of 262,144 items of 12 bytes, touched as lists fill it (and one list's
// room ahead of them), given back when the folder's last context closes;
// when the pool runs out all lists go.
#pragma once

#include <windows.h>

#include <cstdint>

struct ImeContext;
struct MappedFile;
struct FolderLockPage;

// Taken before a search: what StoreFirstKeyList needs to keep its list.
struct FirstKeyTicket {
  int folder = -1;   // kept-list slot of the data folder; -1: the list is not kept
  int code = 0;      // the code's list slot
  LONG changes = 0;  // the folder's change word before the search
  uint32_t writes = 0;  // this process's own table writes before the search
  int unmerged = 0;  // list length before duplicate words were merged
};

// Fills the context's list, sorted, from a current kept list of its one- or
// two-key code and sets *result as SearchCandidates would. Else false, with *ticket
// saying whether the list that the search finds may be kept.
bool ServeFirstKeyList(ImeContext* context, FirstKeyTicket* ticket, int* result);
// Keeps the sorted list of a search that ServeFirstKeyList could not serve.
void StoreFirstKeyList(const ImeContext* context, const FirstKeyTicket& ticket, int result);
// Shows the first page of a list already in its order.
void ShowSortedList(ImeContext* context);

// This process wrote a new order into the main.dmg record at offset (under
// the write lock): its kept lists are put in order again.
void NoteOrderWritten(const ImeContext* context, const MappedFile* main, uint32_t offset);
// This process changed a table some other way (under the write lock).
void NoteTableWritten(const MappedFile* table);
// The write lock of page is taken, or let go; changes is the folder's new
// change word.
void NoteWriteLockTaken(FolderLockPage* page, LONG changes, bool tookOver);
void NoteWriteLockReleased(FolderLockPage* page, LONG changes, bool tookOver);
// An input context opened, or closed, the main table of a folder: with the
// folder's last context its lists go, as they do when the process closes its
// record of the folder's lock page (a table may be put back in between).
void RetainFolderLists(const MappedFile* main);
void ReleaseFolderLists(const MappedFile* main);
void ForgetFolderLists(const FolderLockPage* page);

// Whether lists are kept and served (on by default); tests compare both ways.
void KeepFirstKeyLists(bool on);
// Lists served so far by this process.
uint64_t FirstKeyListsServed();
