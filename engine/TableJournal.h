// Whole-table changes that survive a kill. Before a writer rewrites a table
// (replace, purge, empty, import, sort, index rebuild) it writes a journal
// beside it, <table>.jnl: a copy of every byte it will overwrite, or for an
// index rebuild the key set to rebuild it from. The journal is flushed before
// its last 8 bytes mark it valid, and only then is the table touched; header
// word 0x0C is set to the change's own number, which the journal names, once
// the journal is whole, and cleared after it is gone. Whoever later finds the
// word set under the write lock rolls the table back from the journal (or
// rebuilds the index). A journal that names another number, or lies beside a
// table no change runs on, belongs to no change of this table.
#pragma once

#include <cstdint>

#include "engine/MappedFile.h"

// Header word of a table that is nonzero while a whole-table change runs: the
// number of that change.
constexpr uint32_t kDmgChangingOffset = 0x0C;
inline constexpr wchar_t kTableJournalSuffix[] = L".jnl";

enum class TableChangeScope {
  kWholeFile,       // every byte and the length: replace, purge, import
  kHeader,          // header with the index: empty
  kHeaderAndSlots,  // header and offset table: sort
};

// One whole-table change of a writer that holds the data folder's write lock.
// Done() before it ends keeps the change; otherwise the table is rolled back
// when it ends. A change nested in another on the same table on this thread
// is covered by the outer one and writes no journal of its own.
class TableChange {
 public:
  TableChange(MappedFile* table, TableChangeScope scope);
  // An index rebuild over a key set (null: the default set).
  TableChange(MappedFile* table, const wchar_t* keySet);
  ~TableChange();
  TableChange(const TableChange&) = delete;
  TableChange& operator=(const TableChange&) = delete;

  // False when the journal could not be written, or a dead writer's change
  // could not be undone first: the table is untouched and the writer must
  // refuse.
  bool Ready() const { return ready_; }
  void Done() { done_ = true; }

 private:
  void Begin(TableChangeScope scope, const wchar_t* keySet, bool indexOnly);

  MappedFile* table_;
  bool ready_ = false;
  bool done_ = false;
  bool owner_ = false;  // wrote the journal (not nested)
  const wchar_t* outer_ = nullptr;  // a change of another table this one runs in
  wchar_t journal_[264] = {};
};

// Copies bytes into a table inside a change, all but its change word, which
// must stay set until the change is over.
void CopyIntoChangingTable(MappedFile* table, uint32_t offset, const uint8_t* data, uint32_t length);

// A mapped table whose change word is set while no writer holds the lock is
// a dead writer's: it is rolled back (or its index rebuilt) through this
// mapping, taking the lock without waiting. True when it was. One load when
// the word is clear, so every open and every reader's remap check calls it.
// A journal that is there but cannot be read now is kept, and so is the word:
// a later look rolls back. A journal beside a table whose word is clear
// belongs to a change that never began and is left for the next writer.
// A copy read by a process that may not write the file is put back in
// memory only.
bool RecoverIfAbandoned(MappedFile* table);

// For a writer that holds the write lock, before it writes to a table: deals
// with what a dead writer left. False when a dead writer's change is still to
// be undone (its journal cannot be read now, or the table cannot take it):
// nothing may be written. True at once inside a change of this table on this
// thread. One load when no change was left.
bool TableReadyForWrite(MappedFile* table);

// What every writer does first once it holds the write lock, before it
// reads anything of the table it will write: TableReadyForWrite, then the
// table mapped at its length now (a rollback or another writer may have
// changed it). What is read before would be half of a dead writer's change
// or a stale length, and would be written over the restored table. False:
// the table is busy and the writer must fail, never report nothing to do.
bool PrepareTableForWrite(MappedFile* table);

// True when the table's change word is set and no change of this thread
// covers it: a dead writer's change is still to be undone, and a write into
// the table now would be undone with it. One load, no recovery: for writers
// that hold pointers into the table's view.
bool TableChanging(const MappedFile* table);

// A journal beside a table no change runs on belongs to none (its writer
// died before the change began): a writer that holds the lock removes it.
void RemoveStaleJournal(const MappedFile* table);
