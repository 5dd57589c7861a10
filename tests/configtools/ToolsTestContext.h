// An input context for config's code-table tools: the road context's
// settings and tables, its folder as the data folder, and named categories
// with the switches the tests rely on.
#pragma once

#include <vector>

#include "engine/WideString.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/engine/RoadTestContext.h"

namespace zn::test {

inline uint32_t EntryAttrOf(uint32_t category, uint32_t order, bool pinned = false,
                            bool deleted = false) {
  return Attr(category, order, pinned) | (deleted ? 0x80000000u : 0);
}

class ToolsContext : public RoadContext {
 public:
  ToolsContext() {
    CopyStringBounded(get()->dataFolder, kPathUnits, dir().path().c_str());
    SoftConfigBlock* s = soft();
    CopyStringBounded(s->categoryNames[0], 9, L"五笔");
    s->categoryFlags[0] = 0x1;  // the whole table: writable
    s->categoryFlags[1] = 0;    // system: read only
    s->categoryFlags[2] = 0x3;  // user: writable, in use
    s->categoryFlags[3] = 0x1;
  }

  SoftConfigBlock* soft() const { return get()->softBlock; }
  MappedFile* file(DataFile which) const { return get()->files[which]; }
  void Write(DataFile which, const std::vector<uint8_t>& bytes, const wchar_t* name) {
    SetTable(which, bytes, name);
  }
  std::vector<DmgTestEntry> MainEntries() const { return TableEntries(get()->files[kFileMain]); }
};

}  // namespace zn::test
