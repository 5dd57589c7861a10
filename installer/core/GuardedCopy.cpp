// The guarded copy's decisions, all through the seam so the whole table can
// be driven by a fake: versions, prompts, busy files, the process list.
#include "installer/core/GuardedCopy.h"

#include "engine/FileVersion.h"
#include "engine/WideString.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"

namespace {

// Placements of one file while others keep giving it a second name.
constexpr int kFreshPlacements = 3;

bool EndsWith(const std::wstring& text, const wchar_t* suffix) {
  size_t n = wcslen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

int Ask(InstallerState& state, InstallerOs& os, const wchar_t* format, const std::wstring& target,
        uint32_t buttons) {
  wchar_t text[1024];
  FormatString(text, 1024, format, target.c_str());
  return os.ShowMessage(state.owner, text, kCaptionFileConflict, buttons);
}

}  // namespace

// A loaded module cannot be overwritten or deleted but can be renamed: move
// it aside and let Windows delete it at the next start.
bool MoveBusyFileAside(InstallerOs& os, const std::wstring& path) {
  return MoveBusyFileAside(os, nullptr, path);
}

bool MoveBusyFileAside(InstallerOs& os, HANDLE folder, const std::wstring& path) {
  wchar_t suffix[32];
  FormatString(suffix, 32, L".%llx.old", static_cast<unsigned long long>(os.SystemTime()));
  std::wstring aside = path + suffix;
  std::wstring name = path.substr(path.rfind(L'\\') + 1);
  if (folder ? !os.RenameInFolder(folder, name.c_str(), (name + suffix).c_str())
             : !os.RenameFile(path.c_str(), aside.c_str())) {
    return false;
  }
  os.DeleteAtReboot(aside.c_str());
  return true;
}

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  }
  return text;
}

TargetKind ClassifyTarget(const std::wstring& lowerTarget) {
  if (EndsWith(lowerTarget, L".exe")) return TargetKind::kProgram;
  if (EndsWith(lowerTarget, L".dll") || EndsWith(lowerTarget, L".ime")) return TargetKind::kModule;
  return TargetKind::kOther;
}

uint64_t FileVersionOf(InstallerOs& os, const std::wstring& path) {
  std::wstring text;
  DottedVersion version;
  if (!os.QueryVersionString(path.c_str(), L"FileVersion", &text) ||
      !ParseDottedVersion(text.c_str(), &version)) {
    return 0;
  }
  return version.packed;
}

int CopyFileGuarded(InstallerState& state, InstallerOs& os, const std::wstring& source,
                    const std::wstring& targetPath, int family, FileAccessKind access) {
  std::wstring target = LowerAscii(targetPath);
  if (source.empty() || source == target) return 1;
  TargetKind kind = ClassifyTarget(target);
  // The folder is judged and held now; the file is made through its handle,
  // so whatever happens to the path meanwhile, it lands where was judged.
  size_t cut = target.rfind(L'\\');
  std::wstring name = cut == std::wstring::npos ? std::wstring() : target.substr(cut + 1);
  HeldFolder folder(os);
  std::wstring part;
  FolderTrust trust =
      IsPlainFileName(name)
          ? OpenTrustedFolder(os, target.substr(0, cut + 1), LevelCreation::kNone, &folder, &part)
          : FolderTrust::kUnreadable;
  if (trust != FolderTrust::kTrusted) {
    wchar_t line[1024];
    FormatString(line, 1024, kLogFolderUntrusted, part.empty() ? target.c_str() : part.c_str());
    LogStep(state, 0, line);
    return 0;
  }
  if (!folder.get()) {
    NoteFailure(state, L"CopyFileW", ERROR_PATH_NOT_FOUND);
    return 0;
  }

  if (kind != TargetKind::kOther && os.FileAttributes(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    uint64_t have = FileVersionOf(os, target);
    uint64_t want = FileVersionOf(os, source);
    // Replacing a newer file asks just as replacing an older one does.
    const wchar_t* question = have < want   ? kMsgReplaceOlder
                              : have > want ? kMsgReplaceNewer
                                            : nullptr;
    if (question && Ask(state, os, question, target, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;
  }

  std::vector<uint8_t> rights;
  if (!AccessEntries(access, &rights)) {
    NoteFailure(state, L"CreateWellKnownSid", GetLastError());
    return 0;
  }
  const ACL* acl = rights.empty() ? nullptr : reinterpret_cast<const ACL*>(rights.data());
  bool movedAside = false;
  int shared = 0;
  for (;;) {
    uint32_t error = 0;
    HANDLE placed = nullptr;
    if (os.CopyIntoFolder(folder.get(), name.c_str(), source.c_str(), true, acl, &placed, &error)) {
      // The file came with its rights. Another name given to it meanwhile
      // would share what input methods write to it later, and they write
      // only a file of one name: it is placed afresh, the other name keeping
      // the copy it has. One who keeps doing so stops the copy: a file of
      // two names is not placed.
      bool named = os.NameCount(placed) > 1;
      os.CloseEntry(placed);
      if (!named) {
        if (state.placed) state.placed->paths.push_back(target);
        return 1;
      }
      if (++shared < kFreshPlacements) continue;
      NoteFailure(state, L"CopyFileW", ERROR_CANT_ACCESS_FILE);
      wchar_t line[1024];
      FormatString(line, 1024, kLogFileNamedElsewhere, target.c_str(), kFreshPlacements);
      LogStep(state, 0, line);
      return 0;
    }
    NoteFailure(state, L"CopyFileW", error);
    switch (kind) {
      case TargetKind::kProgram:
        if (Ask(state, os, kMsgProgramRunning, target, MB_RETRYCANCEL | MB_ICONWARNING) !=
            IDRETRY) {
          return 0;
        }
        break;
      case TargetKind::kModule:
        if (!movedAside && os.FileAttributes(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
          movedAside = MoveBusyFileAside(os, folder.get(), target);
          if (movedAside) break;
        }
        // The list of holders is offered once per run; a second refusal fails.
        if (state.processListUsed || !state.processList) return 0;
        state.processListUsed = true;
        if (state.processList->Run(state.owner, target.c_str(), family) != IDOK) return 0;
        break;
      case TargetKind::kOther:
        if (Ask(state, os, kMsgFileOpen, target, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
          return 0;
        break;
    }
  }
}
