// A second process for tests and benchmarks: its output goes to a file, its
// input is a pipe the caller holds.
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
  // args follow the program name; output lands in outPath.
  ChildProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& outPath)
      : outPath_(outPath) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE inputRead = nullptr;
    CreatePipe(&inputRead, &input_, &inherit, 0);
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring command = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (inputRead) CloseHandle(inputRead);
  }
  ~ChildProcess() {
    CloseInput();
    if (process_) {
      if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 9);
      CloseHandle(process_);
    }
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
};

}  // namespace zn::test
