// Code search: the search key, the schemes that decide which entries are
// visible, exact, prefix and wildcard searches of main.dmg and temp.dmg, the
// number and date candidates, and the decision taken after a search.
#pragma once

#include <cstdint>

#include "engine/ImeContext.h"

struct MappedFile;

// Search results.
enum SearchResult : int {
  kSearchNothing = 0,
  kSearchListed = 2,         // candidates listed (possibly none)
  kSearchClearCode = 3,
  kSearchCommitUnique = 4,
  kSearchCommitPrevious = 5,      // the last key starts a new code
  kSearchCommitPreviousText = 6,  // the last key goes out as text
};

// Candidate kinds.
inline constexpr uint8_t kKindMain = 0x21;
inline constexpr uint8_t kKindTemp = 0x22;
inline constexpr uint8_t kKindAssociation = 0x13;
inline constexpr uint8_t kKindGenerated = 0x14;
inline constexpr uint8_t kKindPlainText = 0x40;
inline constexpr uint8_t kKindShownByWord = 0x20;
inline constexpr uint8_t kKindShownByText = 0x10;

// Code bytes: a length byte, up to 129 bytes, a NUL.
inline constexpr int kSearchKeyBytes = 129;
// The byte a wildcard becomes in a search key.
inline constexpr uint8_t kWildcardByte = 2;
// Table searches stop adding once the list holds this many candidates.
inline constexpr int kTableSearchLimit = 1000;

// The settings one search works with. A search never writes the shared
// config.dsc: the bits it changes for a step live here.
struct SearchSettings {
  uint32_t imeOptions;   // ImeConfigBlock option word (schemes)
  uint32_t codeOptions;  // DmeConfigBlock code options (prefix, wildcard matching)
  uint8_t wildcard;      // 0 while a search runs
  bool secondaryOnly;    // secondary-display mode
};
inline constexpr uint32_t kCodeOptWildcardMatching = 0x10;

SearchSettings CurrentSearchSettings(const ImeContext* context);
// Whether an entry with this attribute passes the schemes (deleted never does).
bool IsEntryVisible(const SearchSettings& settings, uint32_t attr);

// Text to search bytes: ASCII as itself, U+FF0A..U+FF19 as 0x0A..0x19; stops
// at the first other character and after 129 bytes. out holds
// kSearchKeyBytes + 2. Returns the length.
int CodeToBytes(const wchar_t* text, uint8_t* out);
// 0 empty, 1 plain (or a lead was removed), 2 a wildcard became byte 2.
int MakeSearchKey(const ImeContext* context, const wchar_t* codeText, uint8_t* key);
int MakeSearchKey(const ImeContext* context, const SearchSettings& settings,
                  const wchar_t* codeText, uint8_t* key);
// Whether a code starting with c has c dropped as a lead from its search key.
bool IsDroppedLead(const ImeContext* context, const SearchSettings& settings, wchar_t c);
// 0 when a visible main.dmg entry's code starts with the bytes, else 1.
int HasVisibleExtension(const ImeContext* context, const uint8_t* code);
int HasVisibleExtension(const ImeContext* context, const SearchSettings& settings,
                        const uint8_t* code);
// 0 when a visible main.dmg entry other than skip has a longer code starting
// with the bytes, else 1.
int HasLongerVisibleCode(const ImeContext* context, const uint8_t* code, const uint8_t* skip);
int HasLongerVisibleCode(const ImeContext* context, const SearchSettings& settings,
                         const uint8_t* code, const uint8_t* skip);
// Match class of a code record (entry at its attribute word) for a key.
int MatchRecord(const ImeContext* context, const SearchSettings& settings,
                const uint8_t* entry, const uint8_t* key);

void SearchTableForCode(ImeContext* context, const SearchSettings& settings, MappedFile* table,
                        const uint8_t* key, bool prefix, uint8_t kind);
void SearchExactOrPrefix(ImeContext* context, const SearchSettings& settings, const uint8_t* key);
int SearchWildcard(ImeContext* context, const SearchSettings& settings, const uint8_t* key);
void AddNumberCandidates(ImeContext* context, const uint8_t* key);
int DecideAfterSearch(ImeContext* context, const SearchSettings& settings, const uint8_t* key);
int SearchCandidates(ImeContext* context);
// The two halves of SearchCandidates: what every new search of the typed
// code does first (the list is emptied), then the search itself.
void BeginSearch(ImeContext* context);
int SearchTypedCode(ImeContext* context);

// Forgets the remembered unique candidate (after a remap or reset).
void ClearPreviousUnique(ImeContext* context);
