// Deleting and restoring entries chosen in the detail view. Each entry is
// found again by its code and word, since the rows' positions shift when
// another process adds words while the view is open.
#pragma once

#include <vector>

#include "config/tables/ViewRows.h"
#include "engine/MappedFile.h"

enum class ViewEditResult {
  kDone,
  kReadOnly,  // the table is a private copy: nothing could be written
  kNotFound,  // none of the entries is in the table any more
  kBusy,      // another writer held the data folder's lock too long
};

// Removes the user entries and those of writable categories, and marks the
// others deleted; the key index is rebuilt once afterwards.
ViewEditResult DeleteViewEntries(MappedFile* table, const std::vector<ViewEntry>& entries,
                                 const SoftConfigBlock* soft);
// Takes the deleted mark off each entry.
ViewEditResult RestoreViewEntries(MappedFile* table, const std::vector<ViewEntry>& entries);
