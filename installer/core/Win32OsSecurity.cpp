// File security of the real installer seam: owners, DACLs read and written
// through the entry's own handle, and the descriptors entries are made with.
#include <windows.h>
#include <aclapi.h>

#include "installer/core/FileAccess.h"
#include "installer/core/ScopedHandle.h"
#include "installer/core/Win32InstallerOs.h"
#include "installer/core/Win32OsEntries.h"

using namespace win32_entries;

namespace {

// A plain file or folder: no link, and a file with one name only, so its
// rights cannot reach a file somewhere else.
bool IsPlainEntry(HANDLE entry) {
  DWORD attributes = 0;
  DWORD links = 0;
  if (!EntryShape(entry, &attributes, &links)) return false;
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || (!folder && links > 1)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
  return true;
}

bool IsCaller(PSID sid) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  KernelHandle token(raw);
  alignas(TOKEN_USER) uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD bytes = 0;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &bytes)) return false;
  return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid) != FALSE;
}

// The DACL of an open entry, whatever it is.
bool DaclOf(HANDLE entry, std::vector<uint8_t>* acl, uint16_t* control) {
  acl->clear();
  ACL* dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD rc = GetSecurityInfo(entry, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                             &dacl, nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return false;
  }
  SECURITY_DESCRIPTOR_CONTROL bits = 0;
  DWORD revision = 0;
  ACL_SIZE_INFORMATION size{};
  bool ok = GetSecurityDescriptorControl(descriptor, &bits, &revision) &&
            (!dacl || GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation));
  if (ok) {
    *control = bits;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
    if (dacl) acl->assign(bytes, bytes + size.AclBytesInUse);
  }
  LocalFree(descriptor);
  return ok;
}

// The object itself only: SetSecurityInfo would also walk what lies below
// a folder, where others may have put links.
bool SetDaclOf(HANDLE entry, const ACL* acl, uint16_t control) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, const_cast<ACL*>(acl), FALSE)) {
    return false;
  }
  const SECURITY_DESCRIPTOR_CONTROL kCarried =
      SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;
  return SetSecurityDescriptorControl(&descriptor, kCarried, control & kCarried) &&
         SetKernelObjectSecurity(entry, DACL_SECURITY_INFORMATION, &descriptor);
}

bool ReadDaclOf(HANDLE entry, std::vector<uint8_t>* acl, uint16_t* control) {
  acl->clear();
  return entry && IsPlainEntry(entry) && DaclOf(entry, acl, control);
}

bool WriteDaclOf(HANDLE entry, const ACL* acl, uint16_t control) {
  return entry && IsPlainEntry(entry) && SetDaclOf(entry, acl, control);
}

}  // namespace

namespace win32_entries {

// What an open entry is: link, folder, names, owner.
PathPresence FactsOf(HANDLE entry, PathFacts* out) {
  DWORD attributes = 0;
  DWORD links = 0;
  if (!EntryShape(entry, &attributes, &links)) return PathPresence::kUnreadable;
  out->attributes = attributes;
  out->linkCount = links;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return PathPresence::kUnreadable;
  }
  if (owner && IsValidSid(owner)) {
    const uint8_t* bytes = static_cast<const uint8_t*>(owner);
    out->owner.assign(bytes, bytes + GetLengthSid(owner));
    out->ownerIsCaller = IsCaller(owner);
  }
  LocalFree(descriptor);
  return out->owner.empty() ? PathPresence::kUnreadable : PathPresence::kPresent;
}

// rights added to the DACL of a file judged plain through this very handle:
// a name given to it since takes nothing from the data folder.
bool AddRightsOf(HANDLE file, const ACL* rights) {
  std::vector<uint8_t> old;
  uint16_t control = 0;
  if (!DaclOf(file, &old, &control)) return false;
  // A null DACL already lets everyone in; entries would lock the rest out.
  if (old.empty()) return true;
  std::vector<uint8_t> dacl;
  return AddAccessEntries(reinterpret_cast<const ACL*>(old.data()), rights, &dacl) &&
         SetDaclOf(file, reinterpret_cast<const ACL*>(dacl.data()), CarriedDaclControl(control));
}

// The DACL a file is made with in folder: rights, then what the folder
// passes to files, marked inherited. Windows puts the folder's entries in
// itself as it makes the file, in place of such copies; a system that does
// not (Wine) still gives the file them, and with them its owner's access.
bool CreationDacl(HANDLE folder, const ACL* rights, std::vector<uint8_t>* out) {
  std::vector<uint8_t> parent;
  uint16_t control = 0;
  if (!DaclOf(folder, &parent, &control)) parent.clear();
  const ACL* passed = parent.empty() ? nullptr : reinterpret_cast<const ACL*>(parent.data());
  ACL_SIZE_INFORMATION own{};
  if (!GetAclInformation(const_cast<ACL*>(rights), &own, sizeof(own), AclSizeInformation)) {
    return false;
  }
  out->assign(own.AclBytesInUse + parent.size(), 0);
  ACL* acl = reinterpret_cast<ACL*>(out->data());
  if (!InitializeAcl(acl, static_cast<DWORD>(out->size()), ACL_REVISION)) return false;
  for (DWORD i = 0; i < own.AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(rights), i, &ace) ||
        !AddAce(acl, ACL_REVISION, MAXDWORD, ace, static_cast<ACE_HEADER*>(ace)->AceSize)) {
      return false;
    }
  }
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  std::vector<uint8_t> creatorOwner = WellKnownSid(WinCreatorOwnerSid);
  std::vector<uint8_t> creatorGroup = WellKnownSid(WinCreatorGroupSid);
  for (DWORD i = 0; passed && i < passed->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(passed), i, &ace)) return false;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (!(header->AceFlags & OBJECT_INHERIT_ACE) ||
        (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)) {
      continue;
    }
    // Allowed and denied entries share one layout.
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(ace),
                              static_cast<const uint8_t*>(ace) + header->AceSize);
    auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(copy.data());
    PSID sid = &entry->SidStart;
    // Whose these stand for only the system knows as it makes the file.
    if ((!creatorOwner.empty() && EqualSid(sid, creatorOwner.data())) ||
        (!creatorGroup.empty() && EqualSid(sid, creatorGroup.data()))) {
      continue;
    }
    entry->Header.AceFlags = INHERITED_ACE;
    MapGenericMask(&entry->Mask, &mapping);
    if (!AddAce(acl, ACL_REVISION, MAXDWORD, copy.data(), header->AceSize)) return false;
  }
  return true;
}

// A protected DACL, owned by Administrators when Administrators is set.
bool SecuredDescriptor(SECURITY_DESCRIPTOR* descriptor, const ACL* dacl,
                       std::vector<uint8_t>* admins) {
  if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(descriptor, TRUE, const_cast<ACL*>(dacl), FALSE) ||
      !SetSecurityDescriptorControl(descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return false;
  }
  *admins = WellKnownSid(WinBuiltinAdministratorsSid);
  return admins->empty() || SetSecurityDescriptorOwner(descriptor, admins->data(), FALSE);
}

}  // namespace win32_entries

bool Win32InstallerOs::ReadFileDacl(const wchar_t* path, std::vector<uint8_t>* acl,
                                    uint16_t* control) {
  acl->clear();
  KernelHandle file(OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES));
  return ReadDaclOf(file.get(), acl, control);
}

bool Win32InstallerOs::WriteFileDacl(const wchar_t* path, const ACL* acl, uint16_t control) {
  KernelHandle file(OpenEntry(path, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES));
  return WriteDaclOf(file.get(), acl, control);
}

PathPresence Win32InstallerOs::InspectPath(const wchar_t* path, PathFacts* out) {
  *out = PathFacts{};
  KernelHandle entry(OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES));
  if (!entry.get()) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? PathPresence::kMissing
               : PathPresence::kUnreadable;
  }
  return FactsOf(entry.get(), out);
}

bool Win32InstallerOs::CreateSecuredFolder(const wchar_t* path, const ACL* dacl) {
  SECURITY_DESCRIPTOR descriptor;
  std::vector<uint8_t> admins;
  if (!SecuredDescriptor(&descriptor, dacl, &admins)) return false;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  if (CreateDirectoryW(path, &attributes)) return true;
  // Without the right to name Administrators the owner is our own account,
  // which no standard user can be either.
  if (GetLastError() != ERROR_INVALID_OWNER) return false;
  SetSecurityDescriptorOwner(&descriptor, nullptr, FALSE);
  return CreateDirectoryW(path, &attributes) != FALSE;
}
