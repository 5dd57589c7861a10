// An input context for the key-stroke road: settings from the default
// container, test tables written to a temporary folder and mapped, and the
// engine calls a front end makes for one typed character.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Candidates.h"
#include "engine/Classify.h"
#include "engine/Commit.h"
#include "engine/ConfigBlocks.h"
#include "engine/DmgTable.h"
#include "engine/ImeContext.h"
#include "engine/KeyTables.h"
#include "engine/Search.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

namespace zn::test {

// Attributes: category in bits 24-29, order in 0-15.
inline uint32_t Attr(uint32_t category, uint32_t order, bool pinned = false) {
  return (category << 24) | order | (pinned ? 0x40000000u : 0);
}

class RoadContext {
 public:
  RoadContext() : config_(kConfigFileSize) {
    context_ = static_cast<ImeContext*>(std::calloc(1, sizeof(ImeContext)));
    WriteDefaultConfigContainer(config_.data(), static_cast<uint32_t>(config_.size()));
    ConfigBlockSet set{};
    LocateConfigBlocks(config_.data(), static_cast<uint32_t>(config_.size()), &set);
    context_->softBlock = set.soft;
    context_->imeBlock = set.ime;
    context_->dmeBlock = set.dme;
    context_->skinBlock = set.skin;
    context_->pageLast = -1;
    ime()->optionFlags = kImeOptMainCode;
    ime()->sortWord = 0;
    SetImePageSize(ime(), 5);
    dme()->codeOptions = 0;
    dme()->wildcardChar = 'z';
    for (int c = 'a'; c <= 'z'; ++c) dme()->keyCharFlags[c] = kKeyCharStartsCode | kKeyCharContinuesCode;
    WriteShippedKeyFunctions(dme());
  }
  ~RoadContext() {
    for (MappedFile*& f : context_->files) {
      if (f) CloseMappedFile(f, 1);
      f = nullptr;
    }
    std::free(context_);
  }
  RoadContext(const RoadContext&) = delete;
  RoadContext& operator=(const RoadContext&) = delete;

  ImeContext* get() const { return context_; }
  // The folder the tables are written to.
  const TempDir& dir() const { return dir_; }
  ImeConfigBlock* ime() const { return context_->imeBlock; }
  DmeConfigBlock* dme() const { return context_->dmeBlock; }
  const std::vector<uint8_t>& configBytes() const { return config_; }

  void SetTable(DataFile file, const std::vector<uint8_t>& bytes, const wchar_t* name) {
    if (context_->files[file]) CloseMappedFile(context_->files[file], 1);
    context_->files[file] = nullptr;
    WriteFileBytes(dir_.File(name), bytes);
    OpenMappedFile(&context_->files[file], dir_.File(name).c_str());
  }
  void SetMain(const std::vector<DmgTestEntry>& entries) {
    SetTable(kFileMain, BuildDmgBytes(entries), L"main.dmg");
  }
  void SetTemp(const std::vector<DmgTestEntry>& entries) {
    SetTable(kFileTemp, BuildDmgBytes(entries), L"temp.dmg");
  }
  void SetWordList(DataFile file, const std::vector<std::wstring>& texts, const wchar_t* name) {
    std::vector<DmgTestEntry> entries;
    for (const std::wstring& t : texts) entries.push_back({"", t, 0});
    DmgBuildOptions options;
    options.type = 5;
    SetTable(file, BuildDmgBytes(entries, options), name);
  }
  void SetDms(DataFile file, const std::vector<std::pair<std::wstring, std::wstring>>& entries,
              const wchar_t* name) {
    SetTable(file, BuildDmsBytes(entries), name);
  }

  // The road of one typed character: classify, then insert and search.
  // Returns the classification.
  int Type(wchar_t c) {
    text_[0] = c;
    text_[1] = 0;
    context_->pendingKeyText = text_;
    const int action = ClassifyTypedChar(context_, c);
    if (action == kActionInsert) {
      InsertCodeChar(context_);
      lastResult_ = RebuildCandidates(context_);
    }
    return action;
  }
  void TypeCode(const wchar_t* code) {
    ResetInput(context_);
    for (int i = 0; code[i]; ++i) Type(code[i]);
  }
  // Sets the code directly and searches it.
  int Search(const wchar_t* code) {
    ResetInput(context_);
    int n = 0;
    for (; code[n]; ++n) context_->code[n] = code[n];
    context_->code[n] = 0;
    context_->codeLength = context_->cursor = n;
    lastResult_ = RebuildCandidates(context_);
    return lastResult_;
  }
  int lastResult() const { return lastResult_; }

  // Shown texts of the current page.
  std::vector<std::wstring> Page() const {
    std::vector<std::wstring> page;
    for (int i = 0; i < context_->slotsFilled; ++i) page.push_back(context_->pageSlots[i].text);
    return page;
  }
  // Shown texts of the whole list in order.
  std::vector<std::wstring> List() const {
    std::vector<std::wstring> list;
    for (int i = 0; i < context_->candidateCount; ++i) {
      wchar_t text[130];
      CandidateText(context_->candidates[i], text, 130);
      list.push_back(text);
    }
    return list;
  }
  std::wstring Commit() const { return std::wstring(context_->commitText, context_->commitLength); }
  // The attribute word of the main.dmg record with this word.
  uint32_t MainAttr(const std::wstring& word) const {
    const DmgView view = GetDmgView(context_->files[kFileMain]);
    DmgRecord r;
    for (uint32_t i = 0; i < view.countRecords; ++i) {
      if (!ReadDmgRecord(view, i, &r)) continue;
      wchar_t w[130];
      CopyRecordWord(r, w, 130);
      if (word == w) return r.attr;
    }
    return 0xFFFFFFFFu;
  }

 private:
  TempDir dir_;
  std::vector<uint8_t> config_;
  ImeContext* context_;
  wchar_t text_[2] = {};
  int lastResult_ = 0;
};

}  // namespace zn::test
