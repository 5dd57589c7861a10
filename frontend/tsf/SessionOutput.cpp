// Recording the key runner's reports outside an edit session.
#include "frontend/tsf/SessionOutput.h"

RecordedOutput::Entry* RecordedOutput::Add(Op op) {
  // Ample for one key; a report beyond it is dropped rather than overrun.
  if (count_ >= kEntries) return nullptr;
  Entry& e = entries_[count_++];
  e = Entry{};
  e.op = op;
  return &e;
}

int RecordedOutput::Keep(const wchar_t* text, int units) {
  if (!text || units <= 0 || units > kTextUnits - textUnits_) return -1;
  const int start = textUnits_;
  for (int i = 0; i < units; ++i) text_[start + i] = text[i];
  textUnits_ += units;
  return start;
}

void RecordedOutput::UpdateComposition(const CompositionView& view) {
  if (view.associations) {
    Add(Op::kAssociations);
    return;
  }
  const int start = view.lenUnits > 0 ? Keep(view.text, view.lenUnits) : 0;
  Entry* e = start >= 0 ? Add(Op::kUpdate) : nullptr;
  if (!e) return;
  e->textStart = start;
  e->units = view.lenUnits > 0 ? view.lenUnits : 0;
  e->caret = view.caretUnits;
}

void RecordedOutput::CommitText(const wchar_t* text, int lenUnits) {
  const int start = Keep(text, lenUnits);
  Entry* e = start >= 0 ? Add(Op::kCommit) : nullptr;
  if (!e) return;
  e->textStart = start;
  e->units = lenUnits;
}

void RecordedOutput::UpdateCandidates(const CandidateView& view) {
  if (Entry* e = Add(Op::kCandidates)) e->candidates = view;
}

void RecordedOutput::UpdateStatus(uint32_t changes) {
  if (Entry* e = Add(Op::kStatus)) e->value = changes;
}

void RecordedOutput::ShowTip(const wchar_t* text) {
  int units = 0;
  while (text && units < kTipUnits && text[units]) ++units;
  const int start = Keep(text, units);
  Entry* e = start >= 0 ? Add(Op::kTip) : nullptr;
  if (!e) return;
  e->textStart = start;
  e->units = units;
}

void RecordedOutput::ReplayInto(KeyRunnerOutput& output) const {
  for (int i = 0; i < count_; ++i) {
    const Entry& e = entries_[i];
    switch (e.op) {
      case Op::kStart:
        output.StartComposition();
        break;
      case Op::kUpdate:
      case Op::kAssociations: {
        CompositionView view{};
        view.text = text_ + e.textStart;
        view.lenUnits = e.units;
        view.caretUnits = e.caret;
        view.associations = e.op == Op::kAssociations;
        output.UpdateComposition(view);
        break;
      }
      case Op::kCommit:
        output.CommitText(text_ + e.textStart, e.units);
        break;
      case Op::kEnd:
        output.EndComposition();
        break;
      case Op::kCandidates:
        output.UpdateCandidates(e.candidates);
        break;
      case Op::kStatus:
        output.UpdateStatus(e.value);
        break;
      case Op::kTip: {
        wchar_t tip[kTipUnits + 1] = {};
        const int n = e.units < kTipUnits ? e.units : kTipUnits;
        for (int k = 0; k < n; ++k) tip[k] = text_[e.textStart + k];
        output.ShowTip(tip);
        break;
      }
      case Op::kSoftKeyboard:
        output.SoftKeyboardChanged();
        break;
    }
  }
}
