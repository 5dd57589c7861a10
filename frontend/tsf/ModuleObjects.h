// Module-wide COM bookkeeping of the text service: the count of live objects
// and server locks that DllCanUnloadNow reads. Any thread of the host may
// create or release objects, so every change is interlocked.
#pragma once

#include <windows.h>

namespace ModuleObjects {

void Add();
void Remove();
// Live objects plus outstanding factory references and server locks.
LONG Count();

}  // namespace ModuleObjects

// Counts one live object for as long as it exists; a member of every COM
// class of the module.
class ModuleObjectToken {
 public:
  ModuleObjectToken() { ModuleObjects::Add(); }
  ~ModuleObjectToken() { ModuleObjects::Remove(); }
  ModuleObjectToken(const ModuleObjectToken&) = delete;
  ModuleObjectToken& operator=(const ModuleObjectToken&) = delete;
};
