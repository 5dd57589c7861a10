// The guarded copy's decisions, all through the seam so the whole table can
// be driven by a fake: versions, prompts, busy files, the process list.
#include "installer/core/GuardedCopy.h"

#include "engine/FileVersion.h"
#include "engine/WideString.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"

namespace {

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

// Wide rights go only on a plain file of one name: a link, or a second name
// of a file elsewhere, that took a data file's name goes itself first. A
// plain file is overwritten in place, so one still mapped refuses as before.
bool ClearPlantedTarget(InstallerOs& os, const std::wstring& target, FileAccessKind access) {
  PathFacts facts;
  if (access != FileAccessKind::kDataFile ||
      os.InspectPath(target.c_str(), &facts) != PathPresence::kPresent) {
    return true;
  }
  bool planted = (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) || facts.linkCount > 1;
  return !planted || os.RemoveFile(target.c_str());
}

}  // namespace

// A loaded module cannot be overwritten or deleted but can be renamed: move
// it aside and let Windows delete it at the next start.
bool MoveBusyFileAside(InstallerOs& os, const std::wstring& path) {
  wchar_t suffix[32];
  FormatString(suffix, 32, L".%llx.old", static_cast<unsigned long long>(os.SystemTime()));
  std::wstring aside = path + suffix;
  if (!os.RenameFile(path.c_str(), aside.c_str())) return false;
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

  if (kind != TargetKind::kOther && os.FileAttributes(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    uint64_t have = FileVersionOf(os, target);
    uint64_t want = FileVersionOf(os, source);
    // Replacing a newer file asks just as replacing an older one does.
    const wchar_t* question = have < want   ? kMsgReplaceOlder
                              : have > want ? kMsgReplaceNewer
                                            : nullptr;
    if (question && Ask(state, os, question, target, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;
  }

  bool movedAside = false;
  for (;;) {
    uint32_t error = 0;
    bool cleared = ClearPlantedTarget(os, target, access);
    if (!cleared) error = os.LastError();
    if (cleared && os.CopyOneFile(source.c_str(), target.c_str(), true, &error)) {
      if (state.placed) state.placed->paths.push_back(target);
      return ApplyFileAccess(state, os, target, access) ? 1 : 0;
    }
    NoteFailure(state, cleared ? L"CopyFileW" : L"DeleteFileW", error);
    switch (kind) {
      case TargetKind::kProgram:
        if (Ask(state, os, kMsgProgramRunning, target, MB_RETRYCANCEL | MB_ICONWARNING) !=
            IDRETRY) {
          return 0;
        }
        break;
      case TargetKind::kModule:
        if (!movedAside && os.FileAttributes(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
          movedAside = MoveBusyFileAside(os, target);
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
