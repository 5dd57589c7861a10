// The code-table compiler: text definitions in, a complete sorted and
// indexed .dmg out.
#pragma once

#include <cstdint>
#include <vector>

#include "codetable/DefinitionText.h"
#include "codetable/Progress.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/TextDecoder.h"

struct CDmgMake {
  std::vector<DecodedText> texts;  // the definitions, edited in place while parsed
  uint32_t lineEstimate;       // CR units + 1 per text
  int32_t parsedCount;
  int32_t rejectedCount;       // lines that are no entries
  DmgSourceRecord* records;    // in the scratch file
  MappedFile* scratch;
  const RecordCompareOps* ops;  // null: the built-in code conversion
  ProgressReporter* progress;
  wchar_t outputPath[260];
  wchar_t scratchFolder[260];  // empty: the temporary folder
  wchar_t tableName[16];       // empty: "系统码表"
  uint32_t totalRecordBytes;
  uint32_t uniqueCount;
  uint32_t writtenCount;
  bool keyBytes[128];          // code bytes seen in the written records
  bool converted;
  DefinitionState header;
};

inline constexpr wchar_t kScratchFileName[] = L"kt_index_dmgmake.tmp";
inline constexpr wchar_t kDefaultTableName[] = L"系统码表";

CDmgMake* CreateDmgMake();
// Adds a decoded text. 0 when out of memory (the text is freed).
int AddDmgSource(CDmgMake* make, DecodedText text);
// Reads and decodes a file, then adds it; a ReadTextResult.
int AddDmgSourceFile(CDmgMake* make, const wchar_t* path);
// Parses every text; returns the parsed count.
int ParseSources(CDmgMake* make);
// Parse, drop duplicates; nonzero when entries were parsed.
int BuildDmg(CDmgMake* make);
// Writes make->outputPath; 1 done, 0 failed (nothing to write or no file).
int WriteDmg(CDmgMake* make);
void FreeDmgMake(CDmgMake* make);

// One call for tools: compile text files into a table. Returns the record
// count written, 0 on failure.
int CompileTableFiles(const wchar_t* const* sources, int sourceCount, const wchar_t* outputPath,
                      ProgressReporter* progress, const wchar_t* scratchFolder);
