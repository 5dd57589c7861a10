// The test side of `engine_data_writer serve FOLDER`: a second process that
// writes to a data folder one command at a time and answers each with one
// line, so that a test knows a write is done (and the lock held, for the
// " keep" forms) before it goes on. See DataWriterHelper.cpp for the commands.
//
//   WriterClient writer(folder);
//   ASSERT_EQ(writer.Send("order 12 600"), "ok");
//   ASSERT_EQ(writer.Send("pin 3 keep"), "ok");   // holds the lock until the next command
//   writer.Kill();                                // dies holding it
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "tests/common/ChildProcess.h"

namespace zn::test {

class WriterClient {
 public:
  explicit WriterClient(const std::wstring& folder) : folder_(folder) { Start(); }
  WriterClient(const WriterClient&) = delete;
  WriterClient& operator=(const WriterClient&) = delete;

  bool Started() const { return child_ && child_->Started(); }
  // Sends one command line (UTF-8, no line end) and returns the answer: "ok",
  // "fail", "held" or "refused"; "" when none came within ms or the process
  // is gone.
  std::string Send(const std::string& command, DWORD ms = 15000) {
    std::string answer;
    if (!child_ || !child_->Write(command + "\n") || !child_->ReadLine(ms, &answer)) return "";
    return answer;
  }
  // Ends the process at once, whatever it holds.
  void Kill() {
    if (child_) child_->Kill();
    child_.reset();
  }
  // A fresh process on the same folder (after Kill, or to replace a live one).
  void Restart() {
    Kill();
    Start();
  }

 private:
  void Start() {
    child_ = std::make_unique<ChildProcess>(BesideThisProgram(L"engine_data_writer.exe"),
                                            L"serve " + Quoted(folder_), L"");
  }

  std::wstring folder_;
  std::unique_ptr<ChildProcess> child_;
};

}  // namespace zn::test
