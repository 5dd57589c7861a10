// Key processing entry points.
#include "frontend/imm/ImeDeclarations.h"

extern "C" {

BOOL WINAPI ImeProcessKey(HIMC, UINT, LPARAM, CONST LPBYTE) {
  return FALSE;
}

UINT WINAPI ImeToAsciiEx(UINT, UINT, CONST LPBYTE, LPTRANSMSGLIST, UINT, HIMC) {
  return 0;
}

}  // extern "C"
