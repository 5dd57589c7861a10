// The IMM32 front end's module state and context creation.
#include "frontend/imm/ImmModule.h"

#include "engine/ImeContext.h"

ImmModuleState& ImmModule() {
  static ImmModuleState state;
  return state;
}

ImeContext* CreateImmContext() {
  const ImmSeams& seams = ImmModule().seams;
  ImeContext* context = CreateImeContext(seams.os);
  if (context && seams.effects) context->effects = seams.effects;
  return context;
}

void DestroyImmContext(ImeContext* context) {
  if (context) DestroyImeContext(context);
}
