// The key runner's reports turned into text-service work: inside an edit
// session (SessionOutput, with the session's cookie), or recorded outside
// one and replayed in a session afterwards (RecordedOutput). Neither
// allocates.
#pragma once

#include "frontend/common/KeyRunnerOutput.h"
#include "frontend/tsf/TextService.h"

// What both live outputs share: the state display, and the rule that a box
// the key showed (a launch that failed) may have deactivated the service, or
// deactivated and activated it again; what the key reports afterwards then
// belongs to no activation and touches nothing.
class LiveServiceOutput : public KeyRunnerOutput {
 public:
  explicit LiveServiceOutput(CTextService* service) : service_(service), running_(service->imeContext()) {}

  void UpdateStatus(uint32_t changes) override {
    if (Live()) service_->StatusChanged(changes);
  }
  void ShowTip(const wchar_t* text) override {
    if (Live()) service_->ShowTipAtCaret(text);
  }
  void SoftKeyboardChanged() override {
    if (Live()) service_->SoftKeyboardChanged();
  }

 protected:
  bool Live() const { return running_ && service_->imeContext() == running_; }

  CTextService* service_;

 private:
  const ImeContext* running_;
};

class SessionOutput final : public LiveServiceOutput {
 public:
  SessionOutput(CTextService* service, TfEditCookie ec, ITfContext* context)
      : LiveServiceOutput(service), ec_(ec), context_(context) {}

  void StartComposition() override {
    if (Live()) service_->EnsureComposition(ec_, context_);
  }
  void UpdateComposition(const CompositionView& view) override {
    if (Live()) service_->ShowComposition(ec_, context_, view.text, view.lenUnits, view.caretUnits, view.associations);
  }
  void CommitText(const wchar_t* text, int lenUnits) override {
    if (Live()) service_->CommitText(ec_, context_, text, lenUnits);
  }
  // The end of a composition also ends its candidate list.
  void EndComposition() override {
    if (Live()) service_->EndComposition(ec_, context_);
  }
  // The page lives in the input context; the list element reads it there.
  void UpdateCandidates(const CandidateView&) override {
    if (Live()) service_->UpdateCandidateList(ec_, context_);
  }

 private:
  TfEditCookie ec_;
  ITfContext* context_;
};

// The runner's reports when no document is focused (a button clicked while
// the focus is where no text goes): the state display follows; a
// composition left in some document is ended through sessions of its own.
class DocumentlessOutput final : public LiveServiceOutput {
 public:
  explicit DocumentlessOutput(CTextService* service) : LiveServiceOutput(service) {}

  void StartComposition() override {}
  void UpdateComposition(const CompositionView&) override {}
  void CommitText(const wchar_t*, int) override {}
  void EndComposition() override {
    if (Live()) service_->EndCompositionsOf(TF_INVALID_EDIT_COOKIE, nullptr);
  }
  void UpdateCandidates(const CandidateView&) override {}
};

class RecordedOutput final : public KeyRunnerOutput {
 public:
  void StartComposition() override { Add(Op::kStart); }
  void UpdateComposition(const CompositionView& view) override;
  void CommitText(const wchar_t* text, int lenUnits) override;
  void EndComposition() override { Add(Op::kEnd); }
  // The candidate page lives in the input context and is read at replay.
  void UpdateCandidates(const CandidateView& view) override;
  void UpdateStatus(uint32_t changes) override;
  void ShowTip(const wchar_t* text) override;
  void SoftKeyboardChanged() override { Add(Op::kSoftKeyboard); }

  void ReplayInto(KeyRunnerOutput& output) const;
  bool empty() const { return count_ == 0; }

 private:
  enum class Op : uint8_t { kStart, kUpdate, kAssociations, kCommit, kEnd, kCandidates, kStatus, kTip, kSoftKeyboard };
  struct Entry {
    Op op;
    int textStart;
    int units;
    int caret;
    uint32_t value;
    CandidateView candidates;
  };
  static constexpr int kEntries = 32;
  static constexpr int kTextUnits = 1024;
  static constexpr int kTipUnits = 15;
  Entry* Add(Op op);
  int Keep(const wchar_t* text, int units);

  Entry entries_[kEntries] = {};
  int count_ = 0;
  wchar_t text_[kTextUnits] = {};
  int textUnits_ = 0;
};
