// Changes of the shared settings made by the pages: each runs under the data
// folder's write lock, so two writers never interleave their stores.
#pragma once

#include "engine/DataLock.h"
#include "engine/ImeContext.h"

namespace settings_pages {

// Runs change() when the lock is held; false (nothing changed) otherwise.
template <typename Change>
bool WriteSettings(const ImeContext* context, Change change) {
  DataWriteLock lock(context);
  if (!lock.Held()) return false;
  change();
  return true;
}

}  // namespace settings_pages
