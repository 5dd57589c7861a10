// Shared pieces of the installer tests: a zeroed state, synthetic package
// stubs, config.dsc images and scripted prompts.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/ImeOptionBits.h"
#include "engine/Product.h"
#include "engine/WideString.h"
#include "installer/core/InstallerState.h"
#include "installer/core/PackageSettings.h"
#include "installer/core/StartUp.h"
#include "installer/core/FolderTree.h"
#include "tests/common/TestFiles.h"
#include "tests/engine/DmgTestTables.h"
#include "tests/installer/FakeInstallerOs.h"
#include "tests/ui/ZipWriter.h"

namespace zn::test {

inline std::unique_ptr<InstallerState> NewState() {
  auto state = std::make_unique<InstallerState>();
  std::memset(state.get(), 0, sizeof(InstallerState));
  return state;
}

inline void SetText(wchar_t* field, uint32_t capacity, const std::wstring& text) {
  CopyStringBounded(field, capacity, text.c_str());
}

// A minimal PE32+ image: headers to 0x200, one section of raw data to
// 0x200 + sectionBytes; LoaderFlags left 0.
inline std::vector<uint8_t> MakePeImage(uint32_t sectionBytes = 0x200, uint16_t magic = 0x20B) {
  std::vector<uint8_t> image(0x200 + sectionBytes, 0);
  image[0] = 'M';
  image[1] = 'Z';
  PutU32(image, 0x3C, 0x40);
  std::memcpy(image.data() + 0x40, "PE\0\0", 4);
  image[0x44] = 0x64;  // machine 0x8664
  image[0x45] = 0x86;
  image[0x46] = 1;    // one section
  image[0x54] = 240;  // SizeOfOptionalHeader
  image[0x58] = static_cast<uint8_t>(magic);
  image[0x59] = static_cast<uint8_t>(magic >> 8);
  PutU32(image, 0x58 + 60, 0x200);  // SizeOfHeaders
  size_t section = 0x58 + 240;
  std::memcpy(image.data() + section, ".text", 5);
  PutU32(image, section + 16, sectionBytes);  // SizeOfRawData
  PutU32(image, section + 20, 0x200);         // PointerToRawData
  return image;
}

constexpr size_t kLoaderFlagsAt = 0x40 + 128;

// stub with its size stored, followed by the archive.
inline std::vector<uint8_t> MakePackage(const std::vector<uint8_t>& archive,
                                        std::vector<uint8_t> stub = MakePeImage()) {
  PutU32(stub, kLoaderFlagsAt, static_cast<uint32_t>(stub.size()));
  stub.insert(stub.end(), archive.begin(), archive.end());
  return stub;
}

// The shipped default container with the product identity.
inline std::vector<uint8_t> DefaultConfigImage() {
  std::vector<uint8_t> image(kConfigFileSize);
  WriteDefaultConfigContainer(image.data(), kConfigFileSize);
  ConfigBlockSet blocks{};
  LocateConfigBlocks(image.data(), kConfigFileSize, &blocks);
  blocks.ime->spaceWord |= kProductFeatureBits;
  return image;
}

inline SoftConfigBlock* SoftOf(std::vector<uint8_t>& image) {
  ConfigBlockSet blocks{};
  LocateConfigBlocks(image.data(), static_cast<uint32_t>(image.size()), &blocks);
  return blocks.soft;
}

inline ImeConfigBlock* ImeOf(std::vector<uint8_t>& image) {
  ConfigBlockSet blocks{};
  LocateConfigBlocks(image.data(), static_cast<uint32_t>(image.size()), &blocks);
  return blocks.ime;
}

// A state as an unpacked shipped package leaves it, with the fake's folders:
// product identity and key, install, data, work and unpack folders.
inline std::unique_ptr<InstallerState> ProductState(FakeInstallerOs& os) {
  auto state = NewState();
  std::vector<uint8_t> image = DefaultConfigImage();
  TakePackageSettings(*state, image);
  SetText(state->installFolder, kPathUnits, os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\");
  SetText(state->dataFolder, kPathUnits,
          os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\zinIME\\");
  SetText(state->workFolder, kPathUnits, os.Folder(KnownFolder::kTemp) + L"$zinInstaller$-4242\\");
  SetText(state->unpackFolder, kPathUnits, std::wstring(state->workFolder) + L"zipdatas\\");
  SetText(state->ownPath, kPathUnits, os.ownPath);
  return state;
}

// Answers the process list the way a test says, counting its runs.
class ScriptedProcessList : public ProcessListPrompt {
 public:
  int answer = IDOK;
  int runs = 0;
  std::wstring lastName;
  int lastFamily = -2;
  std::function<void()> onRun;
  int Run(HWND, const wchar_t* moduleName, int family) override {
    ++runs;
    lastName = moduleName;
    lastFamily = family;
    if (onRun) onRun();
    return answer;
  }
};

// Records which mode dialog ran.
class ScriptedDialogs : public InstallerDialogs {
 public:
  bool extractResult = true;
  std::function<bool(InstallerState&)> extract;
  std::vector<std::string> ran;
  bool Extract(InstallerState& state) override {
    ran.push_back("extract");
    return extract ? extract(state) : extractResult;
  }
  // How the wizard, uninstall or repair dialog ends.
  RunOutcome outcome = RunOutcome::kDone;
  void Wizard(InstallerState& state) override { End("wizard", state); }
  void Uninstall(InstallerState& state) override { End("uninstall", state); }
  void Repair(InstallerState& state) override { End("repair", state); }
  void Update(InstallerState&) override { ran.push_back("update"); }

 private:
  void End(const char* name, InstallerState& state) {
    ran.push_back(name);
    state.outcome = outcome;
  }
};

// The step log as lines, with the bar position each came with.
class RecordingLog : public StepLog {
 public:
  std::vector<std::wstring> lines;
  std::vector<int> positions;
  void Append(int position, const wchar_t* text) override {
    positions.push_back(position);
    lines.push_back(text ? text : L"");
  }
  // As the log box does: the line's text changes, its line end stays.
  void ReplaceLine(const wchar_t* waiting, const wchar_t* text) override {
    for (std::wstring& line : lines) {
      if (line == waiting) {
        line = std::wstring(text) + L"\r\n";
        return;
      }
    }
  }
  bool Has(const std::wstring& text) const {
    for (const std::wstring& line : lines) {
      if (line.find(text) != std::wstring::npos) return true;
    }
    return false;
  }
};

// User entries (category 2) and system entries of a small main.dmg.
constexpr uint32_t kUserAttr = 0x02000400;
constexpr uint32_t kSystemAttr = 0x01000400;
inline std::vector<DmgTestEntry> SmallMainTable(bool withUserWords) {
  std::vector<DmgTestEntry> entries = {{"wqvb", L"你好", kSystemAttr},
                                       {"khlg", L"中国", kSystemAttr},
                                       {"aaaa", L"工", kSystemAttr}};
  if (withUserWords) {
    entries.push_back({"zzxy", L"星禾", kUserAttr});
    entries.push_back({"zzab", L"词\\t条", kUserAttr | 0x40000000});
  }
  return entries;
}

inline constexpr wchar_t kUninstallRootKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// An unpacked package and the state an install starts from, on the fake:
// modules, data files (a real config.dsc and main.dmg), a skin, config.exe,
// the stub and the package zip in the work folder.
struct InstallFixture {
  FakeInstallerOs os;
  std::unique_ptr<InstallerState> state = ProductState(os);
  RecordingLog log;
  PlacedFiles placed;
  ScriptedProcessList holders;

  InstallFixture() {
    state->log = &log;
    state->placed = &placed;
    state->processList = &holders;
    os.RegMakeKey(RegHive::kLocalMachine, kUninstallRootKey);
  }
  std::wstring Install() const { return state->installFolder; }
  std::wstring Data() const { return state->dataFolder; }
  std::wstring Module() { return os.Folder(KnownFolder::kSystem) + L"zinime.ime"; }

  void Unpack(bool userWordsInPackage = false) {
    std::wstring unpack = state->unpackFolder;
    CreateDirectoryPath(os, unpack + L"$dataFiles$");
    CreateDirectoryPath(os, unpack + L"tessel");
    WriteFileBytes(unpack + L"zinIME.ime", Bytes("ime64"));
    WriteFileBytes(unpack + L"$dataFiles$\\config.dsc", DefaultConfigImage());
    WriteFileBytes(unpack + L"$dataFiles$\\main.dmg",
                   BuildDmgBytes(SmallMainTable(userWordsInPackage)));
    WriteFileBytes(unpack + L"tessel\\skin.col", Bytes("skin"));
    WriteFileBytes(unpack + L"config.exe", Bytes("cfgexe"));
    std::wstring stub = std::wstring(state->workFolder) + L"installer.exe";
    WriteFileBytes(stub, Bytes("stub"));
    SetText(state->stubPath, kPathUnits, stub);
    std::wstring zip = std::wstring(state->workFolder) + L"makedata.zip";
    WriteFileBytes(zip, Bytes("package"));
    SetText(state->packagePath, kPathUnits, zip);
  }
};

inline bool SameSid(const void* a, const void* b) {
  return EqualSid(const_cast<void*>(a), const_cast<void*>(b)) != FALSE;
}

// The entries of an ACL as (SID, mask, flags).
struct AceView {
  std::vector<uint8_t> sid;
  DWORD mask;
  BYTE flags;
};
inline std::vector<AceView> AclEntries(const std::vector<uint8_t>& aclBytes) {
  std::vector<AceView> out;
  auto* acl = reinterpret_cast<ACL*>(const_cast<uint8_t*>(aclBytes.data()));
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* ace = nullptr;
    GetAce(acl, i, &ace);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    auto* sid = reinterpret_cast<uint8_t*>(&allowed->SidStart);
    out.push_back({std::vector<uint8_t>(sid, sid + GetLengthSid(sid)), allowed->Mask,
                   allowed->Header.AceFlags});
  }
  return out;
}

inline std::wstring Utf16File(const std::wstring& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::wstring text(bytes.size() / 2, L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace zn::test
