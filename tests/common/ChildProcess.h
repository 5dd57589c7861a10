// A second process for tests and benchmarks: its output goes to a file, or
// to a pipe the caller reads line by line; its input is a pipe the caller
// holds.
#pragma once

#include <windows.h>

#include <string>

#include "tests/common/TestFiles.h"

namespace zn::test {

// A folder as one command-line argument: quoted, without the trailing
// backslash that would escape the closing quote.
inline std::wstring Quoted(std::wstring folder) {
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return L"\"" + folder + L"\"";
}

// A program in the folder of the running one.
inline std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

class ChildProcess {
 public:
  // args follow the program name; output lands in outPath, or with an empty
  // outPath in a pipe read by ReadLine (standard error is dropped then, so
  // nothing else comes between the lines).
  ChildProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& outPath)
      : outPath_(outPath) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = INVALID_HANDLE_VALUE;
    HANDLE errors = INVALID_HANDLE_VALUE;
    if (outPath.empty()) {
      if (CreatePipe(&output_, &out, &inherit, 0)) SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
      errors = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
    } else {
      out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      errors = out;
    }
    HANDLE inputRead = nullptr;
    CreatePipe(&inputRead, &input_, &inherit, 0);
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = out;
    startup.hStdError = errors;
    std::wstring command = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    if (errors != INVALID_HANDLE_VALUE && errors != out) CloseHandle(errors);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (inputRead) CloseHandle(inputRead);
  }
  ~ChildProcess() {
    CloseInput();
    if (process_) {
      if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 9);
      CloseHandle(process_);
    }
    if (output_) CloseHandle(output_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  // Closing the input ends a helper that holds a lock.
  void CloseInput() {
    if (input_) CloseHandle(input_);
    input_ = nullptr;
  }
  void Kill() {
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 5000);
  }
  // Writes text to the process's input; false when it is closed or gone.
  bool Write(const std::string& text) {
    DWORD written = 0;
    return input_ && WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  // The next whole line of a piped output, without its end; false when none
  // came within ms or the process ended first. Polled: an anonymous pipe
  // has no timed read.
  bool ReadLine(DWORD ms, std::string* line) {
    if (!process_) return false;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      const size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        *line = pending_.substr(0, end);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        pending_.erase(0, end + 1);
        return true;
      }
      DWORD available = 0;
      if (!output_ || !PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr)) return false;
      if (available > 0) {
        char buffer[512];
        DWORD got = 0;
        if (!ReadFile(output_, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr)) {
          return false;
        }
        pending_.append(buffer, got);
        continue;
      }
      if (GetTickCount64() - start >= ms) return false;
      // Waits a moment for the process, waking at once if it ends.
      if (WaitForSingleObject(process_, 1) == WAIT_OBJECT_0) {
        if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr) || available == 0) return false;
      }
    }
  }
  // True when the process ended within ms and left exit code 0.
  bool Finish(DWORD ms) {
    DWORD code = 1;
    return WaitForSingleObject(process_, ms) == WAIT_OBJECT_0 && GetExitCodeProcess(process_, &code) &&
           code == 0;
  }
  std::string Output() const {
    std::vector<uint8_t> bytes = ReadFileBytes(outPath_);
    return std::string(bytes.begin(), bytes.end());
  }
  // Waits until the output holds a whole first line and returns it.
  std::string FirstLine(DWORD ms) const {
    for (DWORD waited = 0; waited < ms; waited += 10) {
      std::string text = Output();
      size_t end = text.find('\n');
      if (end != std::string::npos) return text.substr(0, end);
      Sleep(10);
    }
    return "";
  }

 private:
  std::wstring outPath_;
  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;
  HANDLE output_ = nullptr;  // read end of a piped output
  std::string pending_;      // piped output not yet returned as lines
};

}  // namespace zn::test
