// The module's object count.
#include "frontend/tsf/ModuleObjects.h"

namespace {

LONG liveObjects = 0;

}  // namespace

void ModuleObjects::Add() {
  InterlockedIncrement(&liveObjects);
}

void ModuleObjects::Remove() {
  InterlockedDecrement(&liveObjects);
}

LONG ModuleObjects::Count() {
  return InterlockedCompareExchange(&liveObjects, 0, 0);
}
