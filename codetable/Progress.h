// Progress of the long code-table jobs and the outside effects of the
// code-table commands (file choosers, message boxes, opening a file), kept
// behind one small interface so tests can script them.
#pragma once

#include <cstdint>

// Every long job reports (text or null, done, total). A text is a message
// about one line (an unusable code) or a summary; done/total move a bar.
class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  virtual void Report(const wchar_t* text, uint32_t done, uint32_t total) = 0;
};

// Answers of CodeTableUi::Ask.
enum class UiAnswer { kNo, kYes };
enum class UiIcon { kInformation, kWarning, kError, kQuestion };

class CodeTableUi {
 public:
  virtual ~CodeTableUi() = default;
  // Common file-open dialog; false on cancel. path holds 260 units.
  virtual bool ChooseTextFile(const wchar_t* title, const wchar_t* filter, wchar_t* path) = 0;
  virtual UiAnswer Ask(const wchar_t* text, const wchar_t* caption, UiIcon icon) = 0;
  virtual void Tell(const wchar_t* text, const wchar_t* caption, UiIcon icon) = 0;
  // The progress bar of the running job: shown with the range 0..100, set,
  // hidden.
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgress(int percent) = 0;
  // Opens a file with its associated program (ShellExecuteW "open").
  virtual void OpenDocument(const wchar_t* path) = 0;
};

// The progress callback of every job: percent = done * 100 / total, at most
// 100, passed on only when it changes; texts are ignored; total 0 does nothing.
class ImportProgressCallback : public ProgressReporter {
 public:
  explicit ImportProgressCallback(CodeTableUi* ui) : ui_(ui) {}
  void Report(const wchar_t* text, uint32_t done, uint32_t total) override;
  int lastPercent() const { return lastPercent_; }

 private:
  CodeTableUi* ui_;
  int lastPercent_ = -1;
};

inline void ReportProgress(ProgressReporter* progress, const wchar_t* text, uint32_t done,
                           uint32_t total) {
  if (progress) progress->Report(text, done, total);
}
