// Percent reduction of job progress for the progress bar.
#include "codetable/Progress.h"

void ImportProgressCallback::Report(const wchar_t* /*text*/, uint32_t done, uint32_t total) {
  if (total == 0 || !ui_) return;
  double ratio = static_cast<double>(done) * 100.0 / static_cast<double>(total);
  int percent = ratio >= 100.0 ? 100 : static_cast<int>(ratio);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  ui_->SetProgress(percent);
}
