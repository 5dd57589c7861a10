// Helpers of the code-table tests: writing UTF-16 text files, compiling
// inline definitions, reading table words and leaving a dead writer's change.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codetable/DmgMake.h"
#include "codetable/TableFiles.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/TableJournal.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestFiles.h"
#include "tests/engine/DmgTestTables.h"

namespace zn::test {

// UTF-16LE with a byte-order mark.
inline void WriteText(const std::wstring& path, const std::wstring& text) {
  std::wstring withMark = L"\xFEFF" + text;
  WriteFileBytes(path, withMark.data(), withMark.size() * 2);
}

// The text of a UTF-16LE file without its mark.
inline std::wstring ReadText(const std::wstring& path) {
  std::vector<uint8_t> b = ReadFileBytes(path);
  std::wstring s(b.size() / 2, L'\0');
  if (!s.empty()) std::memcpy(s.data(), b.data(), s.size() * 2);
  if (!s.empty() && s[0] == 0xFEFF) s.erase(0, 1);
  return s;
}

// Compiles a definition text into dir\name; returns the records written.
inline int CompileText(const TempDir& dir, const std::wstring& text, const std::wstring& name,
                       ProgressReporter* progress = nullptr) {
  std::wstring src = dir.File(name + L".txt");
  WriteText(src, text);
  const wchar_t* sources[] = {src.c_str()};
  return CompileTableFiles(sources, 1, dir.File(name).c_str(), progress, dir.path().c_str());
}

inline uint32_t U32At(const MappedFile* table, uint32_t offset) {
  uint32_t v = 0;
  DmgLoadU32(table->view, table->size, offset, &v);
  return v;
}

inline uint32_t IndexAt(const MappedFile* table, uint8_t c, uint8_t d) {
  return U32At(table, kDmgKeyIndexOffset + 4 * (c * 128u + d));
}

// Every code of the table is found by the engine's exact search.
inline bool EveryCodeFindable(MappedFile* table) {
  DmgView view = GetDmgView(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, i, &rec)) return false;
    DmgRange r = FindExactCodeRange(view, rec.code + 1, rec.codeLen);
    if (i < r.start || i >= r.end) return false;
  }
  return true;
}

using HalfChange = std::function<void(MappedFile*)>;

// A writer that died part way through a whole-table change after letting go
// of the lock (a take-over for another file undoes nothing here): it runs on
// a thread with a mapping of its own, as another process would, begins the
// change, does what steps does and ends without ending the change.
inline bool LeaveHalfChanged(const std::wstring& path, const HalfChange& steps) {
  struct Job {
    const std::wstring* path;
    const HalfChange* steps;
    bool begun;
  } job{&path, &steps, false};
  HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
    auto* job = static_cast<Job*>(p);
    MappedFile* own = nullptr;
    OpenMappedFile(&own, job->path->c_str());
    {
      DataWriteLock lock(own);
      auto* change = new TableChange(own, TableChangeScope::kWholeFile);  // never ended
      job->begun = lock.Held() && change->Ready();
      if (job->begun) (*job->steps)(own);
      FlushMappedFile(own);
    }
    CloseMappedFile(own, 1);
    return 0;
  }, &job, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return job.begun;
}

}  // namespace zn::test
