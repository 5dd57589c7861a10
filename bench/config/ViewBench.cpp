// Times opening the code-table detail view on a table until its list holds
// every row: dialog, second mapping, fill thread and the swap of the rows.
// Run under Xvfb: view_bench.exe MAIN.DMG [samples]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "config/app/ConfigApp.h"
#include "config/app/Win32ConfigServices.h"
#include "config/tables/CodeTableView.h"
#include "config/tables/TableResources.h"

namespace {

constexpr UINT kMeasure = WM_APP + 99;

// Sees the fill's result arrive, then the first message after it was
// handled: the list is filled by then.
class FillWatch : public MessageFilter {
 public:
  bool PreTranslate(MSG& msg) override {
    if (msg.message == kViewFillDone) {
      PostMessageW(msg.hwnd, kMeasure, 0, 0);
    } else if (msg.message == kMeasure) {
      filledAt = bench::Micros();
      rows = static_cast<int>(SendMessageW(GetDlgItem(msg.hwnd, IDC_VIEW_LIST), LVM_GETITEMCOUNT, 0, 0));
      PostMessageW(msg.hwnd, WM_CLOSE, 0, 0);
      return true;
    }
    return false;
  }
  double filledAt = 0;
  int rows = -1;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: view_bench MAIN.DMG [samples]\n");
    return 2;
  }
  const int samples = argc > 2 ? std::max(1, _wtoi(argv[2])) : 20;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  Win32ConfigServices services;
  ConfigApp app(services);
  std::vector<double> times;
  int rows = -1;
  for (int i = 0; i < samples; ++i) {
    CodeTableViewSetup setup;
    setup.tablePath = argv[1];
    FillWatch watch;
    const double start = bench::Micros();
    CodeTableView view(app, setup);
    view.RunModal(nullptr, &watch);
    if (watch.rows < 0) {
      std::fprintf(stderr, "the view did not fill\n");
      return 1;
    }
    rows = watch.rows;
    times.push_back(watch.filledAt - start);
  }
  const std::string what = "open detail view until filled (" + std::to_string(rows) + " rows)";
  bench::Report(what.c_str(), times);
  return 0;
}
