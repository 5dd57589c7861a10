// A config-like input context over a data folder of the test's own:
// config.dsc from the default container with named categories, and small
// tables written from entries, all mapped as config maps them.
#pragma once

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/DmgTestTables.h"

namespace zn::test {

inline uint32_t EntryAttrOf(uint32_t category, uint32_t order, bool pinned = false,
                            bool deleted = false) {
  return (category << 24) | order | (pinned ? 0x40000000u : 0) | (deleted ? 0x80000000u : 0);
}

class ToolsContext {
 public:
  ToolsContext() {
    context_ = static_cast<ImeContext*>(std::calloc(1, sizeof(ImeContext)));
    context_->pageLast = -1;
    CopyStringBounded(context_->dataFolder, kPathUnits, dir_.path().c_str());
    std::vector<uint8_t> config = DefaultConfig();
    ConfigBlockSet set{};
    LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set);
    CopyStringBounded(set.soft->categoryNames[0], 9, L"五笔");
    set.soft->categoryFlags[1] = 0;      // system: read only
    set.soft->categoryFlags[2] = 0x3;    // user: writable, in use
    set.soft->categoryFlags[3] = 0x1;
    set.soft->categoryFlags[0] = 0x1;
    Write(kFileConfig, config, L"config.dsc");
    BindConfigBlocks(context_);
  }
  ~ToolsContext() {
    for (MappedFile*& file : context_->files) {
      if (file) CloseMappedFile(file, 1);
      file = nullptr;
    }
    std::free(context_);
  }
  ToolsContext(const ToolsContext&) = delete;
  ToolsContext& operator=(const ToolsContext&) = delete;

  ImeContext* get() const { return context_; }
  SoftConfigBlock* soft() const { return context_->softBlock; }
  const TempDir& dir() const { return dir_; }
  MappedFile* file(DataFile which) const { return context_->files[which]; }

  void Write(DataFile which, const std::vector<uint8_t>& bytes, const wchar_t* name) {
    if (context_->files[which]) CloseMappedFile(context_->files[which], 1);
    context_->files[which] = nullptr;
    WriteFileBytes(dir_.File(name), bytes);
    OpenMappedFile(&context_->files[which], dir_.File(name).c_str());
    if (which == kFileConfig) BindConfigBlocks(context_);
  }
  void SetMain(const std::vector<DmgTestEntry>& entries) {
    Write(kFileMain, BuildDmgBytes(entries), L"main.dmg");
  }
  void SetWordList(DataFile which, const std::vector<std::wstring>& texts, const wchar_t* name) {
    std::vector<DmgTestEntry> entries;
    for (const std::wstring& text : texts) entries.push_back({"", text, 0});
    DmgBuildOptions options;
    options.type = 5;
    Write(which, BuildDmgBytes(entries, options), name);
  }
  void SetDms(DataFile which, const std::vector<std::pair<std::wstring, std::wstring>>& entries,
              const wchar_t* name) {
    Write(which, BuildDmsBytes(entries), name);
  }
  std::vector<DmgTestEntry> MainEntries() const { return TableEntries(context_->files[kFileMain]); }

 private:
  TempDir dir_;
  ImeContext* context_;
};

}  // namespace zn::test
