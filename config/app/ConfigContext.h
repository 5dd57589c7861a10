// config's process-wide input context (no skin; the product key comes from
// the command line), the loaded module and its function tables, and the
// small readers config needs beside it: registry values, file versions, the
// recent-commit text and the clipboard writer.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FileVersion.h"
#include "engine/ImeContext.h"
#include "engine/ItfObject.h"

class ConfigServices;

// Builds the context for productKey (a braced GUID; anything else fails):
// registry values, the nine data files, the four blocks, the temporary-word
// reset after a restart, then loads the module named by IMEName from the
// system folder. Null, with nothing left open, when a required part is
// missing. A module that cannot be loaded leaves moduleHandle null.
ImeContext* LoadImeContext(const std::wstring& productKey, ConfigServices& services);
void UnloadImeContext(ImeContext* context, ConfigServices& services);

// "<system folder>\<imeName>.ime" into out (260 units); 0 when the system
// folder cannot be read or the path does not fit.
int GetImeModulePath(const wchar_t* imeName, wchar_t* out);

// DisplayName and DataLocation of the product key; out (of capacity units)
// is emptied first; 1 when read.
int ReadDisplayName(const wchar_t* productKey, wchar_t* out, uint32_t capacity,
                    const OsServices& os);
int ReadDataLocation(const wchar_t* productKey, wchar_t* out, uint32_t capacity,
                     const OsServices& os);

// Puts text (length units) on the clipboard: 0, or -1 when it failed.
int SetClipboardText(ConfigServices& services, const wchar_t* text, int length);

// The texts of the last n recent commits (all when fewer), oldest first,
// into out (128 units). Returns 0.
int JoinSettingRecords(const ImeContext* context, int n, wchar_t* out);

// The "FileVersion" string of a file's version block: 128 with out set, 1
// with out empty when there is none. out holds 128 units.
int QueryVersionString(const wchar_t* path, const wchar_t* valueName, wchar_t* out);
// "a.b.c.d" packed as a<<48 | b<<32 | c<<16 | d; missing parts are 0 and a
// part above 65535 counts as 65535, so it cannot spill into its neighbour.
uint64_t ParseVersionText(const wchar_t* text);

// A function table of the loaded module's ZNITFGetObject, released through
// its own slot when this goes. get() is null when the module, its export or
// the table is missing.
class ItfTable {
 public:
  ItfTable(ConfigServices& services, const ImeContext* context, int kind);
  ~ItfTable();
  ItfTable(const ItfTable&) = delete;
  ItfTable& operator=(const ItfTable&) = delete;
  ItfObject* get() const { return table_; }

 private:
  ItfObject* table_ = nullptr;
};
