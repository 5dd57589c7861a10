// The IME side of IMM32 that mingw-w64 does not declare: the input-context
// structures an IME works on, the message buffer entries, IMEINFO, and the
// imm32 functions for locking and resizing context memory. Written from the
// documented Windows API; sizes and offsets are checked for x64 and x86.
#pragma once

#include <windows.h>
#include <imm.h>

#include <cstddef>

// Window slot of the IME's UI window that holds the input context it serves.
#ifndef IMMGWLP_IMC
#define IMMGWLP_IMC 0
#endif
// ImeInquire's system flags.
#ifndef IME_SYSINFO_WINLOGON
#define IME_SYSINFO_WINLOGON 0x0001
#define IME_SYSINFO_WOW16 0x0002
#endif
// IMEINFO property: the IME sees characters before the system converts keys.
#ifndef IME_PROP_KBD_CHAR_FIRST
#define IME_PROP_KBD_CHAR_FIRST 0x00000002
#endif
// fdwInit bits: which INPUTCONTEXT fields hold a value someone set.
#ifndef INIT_CONVERSION
#define INIT_STATUSWNDPOS 0x00000001
#define INIT_CONVERSION 0x00000002
#define INIT_SENTENCE 0x00000004
#define INIT_LOGFONT 0x00000008
#define INIT_COMPFORM 0x00000010
#define INIT_SOFTKBDPOS 0x00000020
#endif
// NotifyIME's NI_CONTEXTUPDATED action and its values.
#ifndef NI_CONTEXTUPDATED
#define NI_CONTEXTUPDATED 0x0003
#endif
#ifndef IMC_SETCONVERSIONMODE
#define IMC_SETCONVERSIONMODE 0x0002
#define IMC_SETSENTENCEMODE 0x0004
#define IMC_SETOPENSTATUS 0x0006
#endif

struct INPUTCONTEXT {
  HWND hWnd;
  BOOL fOpen;
  POINT ptStatusWndPos;
  POINT ptSoftKbdPos;
  DWORD fdwConversion;
  DWORD fdwSentence;
  union {
    LOGFONTA A;
    LOGFONTW W;
  } lfFont;
  COMPOSITIONFORM cfCompForm;
  CANDIDATEFORM cfCandForm[4];
  HIMCC hCompStr;
  HIMCC hCandInfo;
  HIMCC hGuideLine;
  HIMCC hPrivate;
  DWORD dwNumMsgBuf;
  HIMCC hMsgBuf;
  DWORD fdwInit;
  DWORD dwReserve[3];
};

struct COMPOSITIONSTRING {
  DWORD dwSize;
  DWORD dwCompReadAttrLen;
  DWORD dwCompReadAttrOffset;
  DWORD dwCompReadClauseLen;
  DWORD dwCompReadClauseOffset;
  DWORD dwCompReadStrLen;
  DWORD dwCompReadStrOffset;
  DWORD dwCompAttrLen;
  DWORD dwCompAttrOffset;
  DWORD dwCompClauseLen;
  DWORD dwCompClauseOffset;
  DWORD dwCompStrLen;
  DWORD dwCompStrOffset;
  DWORD dwCursorPos;
  DWORD dwDeltaStart;
  DWORD dwResultReadClauseLen;
  DWORD dwResultReadClauseOffset;
  DWORD dwResultReadStrLen;
  DWORD dwResultReadStrOffset;
  DWORD dwResultClauseLen;
  DWORD dwResultClauseOffset;
  DWORD dwResultStrLen;
  DWORD dwResultStrOffset;
  DWORD dwPrivateSize;
  DWORD dwPrivateOffset;
};

struct CANDIDATEINFO {
  DWORD dwSize;
  DWORD dwCount;
  DWORD dwOffset[32];
  DWORD dwPrivateSize;
  DWORD dwPrivateOffset;
};

struct TRANSMSG {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct TRANSMSGLIST {
  UINT uMsgCount;
  TRANSMSG TransMsg[1];
};

struct IMEINFO {
  DWORD dwPrivateDataSize;
  DWORD fdwProperty;
  DWORD fdwConversionCaps;
  DWORD fdwSentenceCaps;
  DWORD fdwUICaps;
  DWORD fdwSCSCaps;
  DWORD fdwSelectCaps;
};

using LPINPUTCONTEXT = INPUTCONTEXT*;
using LPCOMPOSITIONSTRING = COMPOSITIONSTRING*;
using LPCANDIDATEINFO = CANDIDATEINFO*;
using LPTRANSMSG = TRANSMSG*;
using LPTRANSMSGLIST = TRANSMSGLIST*;
using LPIMEINFO = IMEINFO*;

// Exported by imm32 (libimm32.a) but not declared by mingw-w64.
extern "C" {
LPINPUTCONTEXT WINAPI ImmLockIMC(HIMC);
BOOL WINAPI ImmUnlockIMC(HIMC);
DWORD WINAPI ImmGetIMCLockCount(HIMC);
HIMCC WINAPI ImmCreateIMCC(DWORD);
HIMCC WINAPI ImmDestroyIMCC(HIMCC);
LPVOID WINAPI ImmLockIMCC(HIMCC);
BOOL WINAPI ImmUnlockIMCC(HIMCC);
DWORD WINAPI ImmGetIMCCLockCount(HIMCC);
HIMCC WINAPI ImmReSizeIMCC(HIMCC, DWORD);
DWORD WINAPI ImmGetIMCCSize(HIMCC);
BOOL WINAPI ImmGenerateMessage(HIMC);
}

static_assert(sizeof(COMPOSITIONSTRING) == 100);
static_assert(offsetof(COMPOSITIONSTRING, dwCursorPos) == 52);
static_assert(offsetof(COMPOSITIONSTRING, dwResultStrOffset) == 88);
static_assert(offsetof(COMPOSITIONSTRING, dwPrivateOffset) == 96);
static_assert(sizeof(CANDIDATEINFO) == 144);
static_assert(offsetof(CANDIDATEINFO, dwPrivateOffset) == 140);
static_assert(sizeof(CANDIDATELIST) == 28);
static_assert(offsetof(CANDIDATELIST, dwOffset) == 24);
static_assert(sizeof(IMEINFO) == 28);
static_assert(sizeof(LOGFONTW) == 92);
static_assert(sizeof(COMPOSITIONFORM) == 28);
static_assert(sizeof(CANDIDATEFORM) == 32);

#if defined(_WIN64)
static_assert(sizeof(INPUTCONTEXT) == 352);
static_assert(offsetof(INPUTCONTEXT, fOpen) == 8);
static_assert(offsetof(INPUTCONTEXT, fdwConversion) == 28);
static_assert(offsetof(INPUTCONTEXT, lfFont) == 36);
static_assert(offsetof(INPUTCONTEXT, cfCompForm) == 128);
static_assert(offsetof(INPUTCONTEXT, cfCandForm) == 156);
static_assert(offsetof(INPUTCONTEXT, hCompStr) == 288);
static_assert(offsetof(INPUTCONTEXT, hPrivate) == 312);
static_assert(offsetof(INPUTCONTEXT, dwNumMsgBuf) == 320);
static_assert(offsetof(INPUTCONTEXT, hMsgBuf) == 328);
static_assert(offsetof(INPUTCONTEXT, fdwInit) == 336);
static_assert(sizeof(TRANSMSG) == 24);
static_assert(offsetof(TRANSMSGLIST, TransMsg) == 8);
#else
static_assert(sizeof(INPUTCONTEXT) == 320);
static_assert(offsetof(INPUTCONTEXT, fOpen) == 4);
static_assert(offsetof(INPUTCONTEXT, fdwConversion) == 24);
static_assert(offsetof(INPUTCONTEXT, lfFont) == 32);
static_assert(offsetof(INPUTCONTEXT, cfCompForm) == 124);
static_assert(offsetof(INPUTCONTEXT, cfCandForm) == 152);
static_assert(offsetof(INPUTCONTEXT, hCompStr) == 280);
static_assert(offsetof(INPUTCONTEXT, hPrivate) == 292);
static_assert(offsetof(INPUTCONTEXT, dwNumMsgBuf) == 296);
static_assert(offsetof(INPUTCONTEXT, hMsgBuf) == 300);
static_assert(offsetof(INPUTCONTEXT, fdwInit) == 304);
static_assert(sizeof(TRANSMSG) == 12);
static_assert(offsetof(TRANSMSGLIST, TransMsg) == 4);
#endif

// The IME entry points the system calls, with the documented signatures.
extern "C" {
BOOL WINAPI ImeInquire(LPIMEINFO info, LPWSTR uiClass, DWORD systemInfoFlags);
BOOL WINAPI ImeConfigure(HKL layout, HWND window, DWORD mode, LPVOID data);
DWORD WINAPI ImeConversionList(HIMC himc, LPCWSTR source, LPCANDIDATELIST dest, DWORD bufferBytes,
                               UINT flag);
BOOL WINAPI ImeDestroy(UINT reserved);
LRESULT WINAPI ImeEscape(HIMC himc, UINT escape, LPVOID data);
BOOL WINAPI ImeProcessKey(HIMC himc, UINT virtualKey, LPARAM keyData, CONST LPBYTE keyState);
BOOL WINAPI ImeSelect(HIMC himc, BOOL select);
BOOL WINAPI ImeSetActiveContext(HIMC himc, BOOL active);
UINT WINAPI ImeToAsciiEx(UINT virtualKey, UINT scanCode, CONST LPBYTE keyState,
                         LPTRANSMSGLIST transBuffer, UINT state, HIMC himc);
BOOL WINAPI NotifyIME(HIMC himc, DWORD action, DWORD index, DWORD value);
BOOL WINAPI ImeRegisterWord(LPCWSTR reading, DWORD style, LPCWSTR text);
BOOL WINAPI ImeUnregisterWord(LPCWSTR reading, DWORD style, LPCWSTR text);
UINT WINAPI ImeGetRegisterWordStyle(UINT count, LPSTYLEBUFW styles);
UINT WINAPI ImeEnumRegisterWord(REGISTERWORDENUMPROCW callback, LPCWSTR reading, DWORD style,
                                LPCWSTR text, LPVOID data);
BOOL WINAPI ImeSetCompositionString(HIMC himc, DWORD index, LPVOID composition,
                                    DWORD compositionBytes, LPVOID reading, DWORD readingBytes);
}
