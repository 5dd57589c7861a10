// DACL composition in memory; only reading and writing a file's DACL goes
// through the seam.
#include "installer/core/FileAccess.h"

#include "engine/WideString.h"
#include "installer/core/Messages.h"

namespace {

void LogFailure(InstallerState& state, const std::wstring& path, const wchar_t* call, DWORD error) {
  wchar_t line[512];
  FormatString(line, 512, kLogAccessFailed, path.c_str(), call, error);
  LogStep(state, -1, line);
}

bool CopyAce(const ACL* from, DWORD index, ACL* to) {
  void* ace = nullptr;
  if (!GetAce(const_cast<ACL*>(from), index, &ace)) return false;
  auto* header = static_cast<ACE_HEADER*>(ace);
  return AddAce(to, ACL_REVISION, MAXDWORD, ace, header->AceSize) != FALSE;
}

// The SID of an access-allowed or access-denied entry; null for other kinds.
const SID* AceSid(void* ace) {
  auto* header = static_cast<ACE_HEADER*>(ace);
  if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
    return reinterpret_cast<const SID*>(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart);
  }
  if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
    return reinterpret_cast<const SID*>(&static_cast<ACCESS_DENIED_ACE*>(ace)->SidStart);
  }
  return nullptr;
}

}  // namespace

std::vector<uint8_t> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
  std::vector<uint8_t> sid(SECURITY_MAX_SID_SIZE);
  DWORD bytes = SECURITY_MAX_SID_SIZE;
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) return {};
  sid.resize(bytes);
  return sid;
}

bool ComposeDacl(const ACL* old, const SID* sid, DWORD mask, BYTE aceFlags,
                 std::vector<uint8_t>* out) {
  ACL_SIZE_INFORMATION info{};
  if (old && !GetAclInformation(const_cast<ACL*>(old), &info, sizeof(info), AclSizeInformation)) {
    return false;
  }
  DWORD sidBytes = GetLengthSid(const_cast<SID*>(sid));
  DWORD bytes = (old ? info.AclBytesInUse : sizeof(ACL)) + sizeof(ACCESS_ALLOWED_ACE) + sidBytes;
  out->assign((bytes + 3) & ~3u, 0);
  ACL* acl = reinterpret_cast<ACL*>(out->data());
  if (!InitializeAcl(acl, static_cast<DWORD>(out->size()), ACL_REVISION)) return false;
  DWORD index = 0;
  // Explicit entries come first; the new one goes after them, before the
  // inherited ones.
  for (; old && index < info.AceCount; ++index) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(old), index, &ace)) return false;
    if (static_cast<ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE) break;
    const SID* entrySid = AceSid(ace);
    bool sameAllowed = entrySid &&
                       static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE &&
                       EqualSid(const_cast<SID*>(entrySid), const_cast<SID*>(sid));
    if (!sameAllowed && !CopyAce(old, index, acl)) return false;
  }
  if (!AddAccessAllowedAceEx(acl, ACL_REVISION, aceFlags, mask, const_cast<SID*>(sid)))
    return false;
  for (; old && index < info.AceCount; ++index) {
    if (!CopyAce(old, index, acl)) return false;
  }
  return true;
}

uint16_t CarriedDaclControl(uint16_t oldControl) {
  if (oldControl & SE_DACL_AUTO_INHERITED) return SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;
  return oldControl & SE_DACL_PROTECTED;
}

namespace {

struct Allowed {
  WELL_KNOWN_SID_TYPE account;
  DWORD mask;
  BYTE aceFlags;
};

// ACL bytes holding the allowed entries in order; false when a SID could
// not be made.
bool AllowedAcl(const std::vector<Allowed>& entries, std::vector<uint8_t>* out) {
  out->clear();
  std::vector<std::vector<uint8_t>> sids;
  DWORD bytes = sizeof(ACL);
  for (const Allowed& entry : entries) {
    sids.push_back(WellKnownSid(entry.account));
    if (sids.back().empty()) return false;
    bytes += sizeof(ACCESS_ALLOWED_ACE) + static_cast<DWORD>(sids.back().size());
  }
  out->assign((bytes + 3) & ~3u, 0);
  ACL* acl = reinterpret_cast<ACL*>(out->data());
  bool ok = InitializeAcl(acl, static_cast<DWORD>(out->size()), ACL_REVISION);
  for (size_t i = 0; ok && i < entries.size(); ++i) {
    ok = AddAccessAllowedAceEx(acl, ACL_REVISION, entries[i].aceFlags, entries[i].mask, sids[i].data());
  }
  if (!ok) out->clear();
  return ok;
}

}  // namespace

bool AccessEntries(FileAccessKind kind, std::vector<uint8_t>* out) {
  out->clear();
  switch (kind) {
    case FileAccessKind::kNone:
      return true;
    case FileAccessKind::kProgram:
      return AllowedAcl({{WinBuiltinAnyPackageSid, kReadExecuteAccess, 0}}, out);
    case FileAccessKind::kDataFile:
      return AllowedAcl({{WinBuiltinAnyPackageSid, kModifyAccess, 0}, {WinWorldSid, kModifyAccess, 0}}, out);
  }
  return false;
}

bool AddAccessEntries(const ACL* old, const ACL* added, std::vector<uint8_t>* out) {
  ACL_SIZE_INFORMATION info{};
  if (!GetAclInformation(const_cast<ACL*>(old), &info, sizeof(info), AclSizeInformation)) {
    return false;
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(old);
  out->assign(bytes, bytes + info.AclBytesInUse);
  for (DWORD i = 0; i < added->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(added), i, &ace) ||
        static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      return false;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    std::vector<uint8_t> next;
    if (!ComposeDacl(reinterpret_cast<const ACL*>(out->data()),
                     reinterpret_cast<const SID*>(&allowed->SidStart), allowed->Mask,
                     allowed->Header.AceFlags, &next)) {
      return false;
    }
    *out = std::move(next);
  }
  return true;
}

namespace {

// The entries added to the DACL of the file at path, read and written
// through a handle to the file itself.
bool Grant(InstallerState& state, InstallerOs& os, const std::wstring& path,
           const std::vector<uint8_t>& entries) {
  std::vector<uint8_t> old;
  uint16_t control = 0;
  if (!os.ReadFileDacl(path.c_str(), &old, &control)) {
    LogFailure(state, path, L"GetSecurityInfo", GetLastError());
    return false;
  }
  // A null DACL already lets everyone in; one entry would lock the rest out.
  if (old.empty()) return true;
  std::vector<uint8_t> dacl;
  if (!AddAccessEntries(reinterpret_cast<const ACL*>(old.data()),
                        reinterpret_cast<const ACL*>(entries.data()), &dacl)) {
    LogFailure(state, path, L"AddAccessAllowedAceEx", GetLastError());
    return false;
  }
  if (!os.WriteFileDacl(path.c_str(), reinterpret_cast<const ACL*>(dacl.data()),
                        CarriedDaclControl(control))) {
    LogFailure(state, path, L"SetKernelObjectSecurity", GetLastError());
    return false;
  }
  return true;
}

}  // namespace

bool GrantFileAccess(InstallerState& state, InstallerOs& os, const std::wstring& path,
                     WELL_KNOWN_SID_TYPE account, DWORD mask, BYTE aceFlags) {
  std::vector<uint8_t> entry;
  if (!AllowedAcl({{account, mask, aceFlags}}, &entry)) {
    LogFailure(state, path, L"CreateWellKnownSid", GetLastError());
    return false;
  }
  return Grant(state, os, path, entry);
}

bool ApplyFileAccess(InstallerState& state, InstallerOs& os, const std::wstring& path,
                     FileAccessKind kind) {
  std::vector<uint8_t> entries;
  if (!AccessEntries(kind, &entries)) {
    LogFailure(state, path, L"CreateWellKnownSid", GetLastError());
    return false;
  }
  return entries.empty() || Grant(state, os, path, entries);
}
