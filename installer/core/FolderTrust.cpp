// Link and owner checks level by level; the decisions are pure, the facts
// come from the seam.
#include "installer/core/FolderTrust.h"

#include "engine/WideString.h"
#include "installer/core/FileAccess.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

bool SameSidBytes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  return !a.empty() && a.size() == b.size() &&
         EqualSid(const_cast<uint8_t*>(a.data()), const_cast<uint8_t*>(b.data()));
}

std::vector<uint8_t> TrustedInstallerSid() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649,
                                1831038044, 1853292631, 2271478464, 0, 0, &sid)) {
    return {};
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(sid);
  std::vector<uint8_t> out(bytes, bytes + GetLengthSid(sid));
  FreeSid(sid);
  return out;
}

// The known folder that holds path, or is it, normalised; empty when none
// does. The system's own folders are written into as they are.
std::wstring AnchorOf(InstallerOs& os, const std::wstring& path) {
  std::wstring best;
  for (KnownFolder which :
       {KnownFolder::kCommonAppData, KnownFolder::kProgramFiles, KnownFolder::kProgramFilesX86,
        KnownFolder::kWindows, KnownFolder::kSystem, KnownFolder::kSystemWow64,
        KnownFolder::kFonts}) {
    std::wstring folder;
    std::wstring normal;
    if (os.GetKnownFolder(which, &folder) && NormaliseLocalPath(folder, &normal) &&
        (IsStrictlyInside(path, normal) || SamePath(path, normal)) &&
        normal.size() > best.size()) {
      best = normal;
    }
  }
  return best;
}

void AddEntry(ACL* acl, WELL_KNOWN_SID_TYPE account, DWORD mask, BYTE flags) {
  std::vector<uint8_t> sid = WellKnownSid(account);
  if (!sid.empty()) AddAccessAllowedAceEx(acl, ACL_REVISION, flags, mask, sid.data());
}

}  // namespace

bool IsTrustedOwner(const PathFacts& facts) {
  if (facts.ownerIsCaller && !facts.owner.empty()) return true;
  return SameSidBytes(facts.owner, WellKnownSid(WinLocalSystemSid)) ||
         SameSidBytes(facts.owner, WellKnownSid(WinBuiltinAdministratorsSid)) ||
         SameSidBytes(facts.owner, TrustedInstallerSid());
}

FolderTrust JudgeLevel(const PathFacts& facts, bool ownerMatters) {
  if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderTrust::kLink;
  if (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderTrust::kNotFolder;
  if (ownerMatters && !IsTrustedOwner(facts)) return FolderTrust::kForeignOwner;
  return FolderTrust::kTrusted;
}

FolderTrust OpenTrustedFolder(InstallerOs& os, const std::wstring& folder, LevelCreation creation,
                              HeldFolder* out, std::wstring* part) {
  part->clear();
  out->Reset(nullptr);
  std::wstring path;
  if (!NormaliseLocalPath(folder, &path) || path.size() <= 3) {
    *part = folder;
    return FolderTrust::kUnreadable;
  }
  std::wstring anchor = AnchorOf(os, path);
  std::wstring start = anchor.empty() ? path.substr(0, 3) : anchor;
  out->Reset(os.OpenFolder(start.c_str()));
  if (!out->get()) {
    *part = start;
    return FolderTrust::kUnreadable;
  }
  std::vector<uint8_t> plain;
  std::vector<uint8_t> data;
  if (creation != LevelCreation::kNone) {
    plain = ProductFolderDacl(false);
    data = creation == LevelCreation::kDataFolder ? ProductFolderDacl(true) : plain;
  }
  // Levels from just below the start down to the folder; each one is held
  // before the one above is let go.
  for (size_t at = start.size(), end; at < path.size(); at = end + 1) {
    end = path.find(L'\\', at);
    std::wstring name = path.substr(at, end - at);
    bool last = end + 1 == path.size();
    HANDLE next = nullptr;
    PathFacts facts;
    PathPresence presence = os.OpenLevel(out->get(), name.c_str(), &next, &facts);
    if (presence == PathPresence::kMissing) {
      if (creation == LevelCreation::kNone) {
        out->Reset(nullptr);
        return FolderTrust::kTrusted;
      }
      const std::vector<uint8_t>& dacl = last ? data : plain;
      if (os.CreateLevel(out->get(), name.c_str(), reinterpret_cast<const ACL*>(dacl.data()),
                         &next)) {
        out->Reset(next);
        continue;
      }
      // Taken meanwhile (perhaps by a link): judged as found.
      presence = os.OpenLevel(out->get(), name.c_str(), &next, &facts);
      if (presence == PathPresence::kMissing) presence = PathPresence::kUnreadable;
    }
    FolderTrust verdict = presence == PathPresence::kUnreadable
                              ? FolderTrust::kUnreadable
                              : JudgeLevel(facts, !anchor.empty() || last);
    if (verdict != FolderTrust::kTrusted) {
      if (next) os.CloseEntry(next);
      out->Reset(nullptr);
      *part = path.substr(0, end);
      return verdict;
    }
    out->Reset(next);
  }
  return FolderTrust::kTrusted;
}

FolderTrust FindUntrustedPart(InstallerOs& os, const std::wstring& folder, std::wstring* part) {
  HeldFolder held(os);
  return OpenTrustedFolder(os, folder, LevelCreation::kNone, &held, part);
}

std::vector<uint8_t> ProductFolderDacl(bool dataFolder) {
  constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  std::vector<uint8_t> bytes(1024, 0);
  ACL* acl = reinterpret_cast<ACL*>(bytes.data());
  InitializeAcl(acl, static_cast<DWORD>(bytes.size()), ACL_REVISION);
  AddEntry(acl, WinLocalSystemSid, FILE_ALL_ACCESS, kInherit);
  AddEntry(acl, WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, kInherit);
  AddEntry(acl, WinBuiltinUsersSid, kReadExecuteAccess, kInherit);
  AddEntry(acl, WinBuiltinAnyPackageSid, kReadExecuteAccess, kInherit);
  if (dataFolder) {
    // New files in the folder pass to everyone, as the placed ones do;
    // folders inside it stay the administrators'.
    for (WELL_KNOWN_SID_TYPE account : {WinWorldSid, WinBuiltinAnyPackageSid}) {
      AddEntry(acl, account, kReadExecuteAccess | FILE_ADD_FILE, 0);
      AddEntry(acl, account, kModifyAccess, OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE);
    }
  }
  ACL_SIZE_INFORMATION size{};
  GetAclInformation(acl, &size, sizeof(size), AclSizeInformation);
  bytes.resize(size.AclBytesInUse);
  acl->AclSize = static_cast<WORD>(bytes.size());
  return bytes;
}

bool MakeTrustedFolder(InstallerOs& os, const std::wstring& folder, bool dataFolder) {
  HeldFolder held(os);
  std::wstring part;
  return OpenTrustedFolder(os, folder,
                           dataFolder ? LevelCreation::kDataFolder : LevelCreation::kFolders, &held,
                           &part) == FolderTrust::kTrusted &&
         held.get();
}

bool CheckProductFolders(InstallerState& state, InstallerOs& os,
                         const std::vector<std::wstring>& folders, const wchar_t* caption) {
  for (const std::wstring& folder : folders) {
    std::wstring part;
    if (folder.empty() || FindUntrustedPart(os, folder, &part) == FolderTrust::kTrusted) continue;
    wchar_t text[1024];
    FormatString(text, 1024, kLogFolderUntrusted, part.c_str());
    LogStep(state, 0, text);
    if (caption) {
      FormatString(text, 1024, kMsgFolderUntrusted, part.c_str());
      os.ShowMessage(state.owner, text, caption, MB_OK | MB_ICONERROR);
    }
    return false;
  }
  return true;
}
