#include "platform/user_cache.h"

#include <aclapi.h>
#include <windows.h>

#include <vector>

#include "platform/environment.h"
#include "platform/system_error.h"
#include "platform/win32/cache_owner.h"

namespace {

// A security descriptor whose access list admits the process's user alone, and which
// the directory's parent cannot widen. It names the user as owner: an elevated
// administrator's token would otherwise give new objects to the Administrators group.
// The records it points to live inside it.
struct PrivateSecurity {
  std::vector<unsigned char> User;
  std::vector<unsigned char> Acl;
  SECURITY_DESCRIPTOR Descriptor;
  SECURITY_ATTRIBUTES Attributes;
};

bool MakePrivateSecurity(PrivateSecurity* s) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  s->User.resize(size);
  const bool read = size != 0 && GetTokenInformation(token, TokenUser, s->User.data(), size, &size);
  CloseHandle(token);
  if (!read) return false;
  PSID user = reinterpret_cast<TOKEN_USER*>(s->User.data())->User.Sid;
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user);
  s->Acl.resize(aclSize);
  PACL acl = reinterpret_cast<PACL>(s->Acl.data());
  if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                             FILE_ALL_ACCESS, user) ||
      !InitializeSecurityDescriptor(&s->Descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorOwner(&s->Descriptor, user, FALSE) ||
      !SetSecurityDescriptorDacl(&s->Descriptor, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&s->Descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return false;
  }
  s->Attributes = {sizeof s->Attributes, &s->Descriptor, FALSE};
  return true;
}

std::string Failure(const char* what, const std::string& path) {
  const unsigned long code = LastSystemError();
  char text[512];
  std::string reason = std::string(what) + " " + path;
  if (DescribeSystemError(code, text, sizeof text)) {
    std::string described = text;
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r')) {
      described.pop_back();
    }
    return reason + ": " + described;
  }
  return reason + ": error " + std::to_string(code);
}

// Whether the existing directory `path` belongs to the user (MayOwnUserCache).
bool OwnedByUser(const std::string& path, const PrivateSecurity& security) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool own =
      MayOwnUserCache(owner, reinterpret_cast<const TOKEN_USER*>(security.User.data())->User.Sid);
  LocalFree(descriptor);
  return own;
}

// The runtime maps the archive into the process: a directory that someone else made,
// or a link or junction that leads elsewhere, would let others choose the code that
// the application runs.
bool MakePrivate(const std::string& path, PrivateSecurity* security, std::string* reason) {
  if (CreateDirectoryA(path.c_str(), &security->Attributes)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    *reason = Failure("cannot make", path);
    return false;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *reason = Failure("cannot read", path);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *reason = path + " is not a directory";
  } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    *reason = path + " is a link or junction, not a directory of this user's own";
  } else if (!OwnedByUser(path, *security)) {
    *reason = path + " does not belong to this user";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool MayOwnUserCache(PSID owner, PSID user) {
  return owner != nullptr && IsValidSid(owner) &&
         (EqualSid(owner, user) || IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
          IsWellKnownSid(owner, WinLocalSystemSid));
}

bool OpenUserCacheDirectory(const char* name, std::string* path, std::string* reason) {
  const char* local = ReadEnvironmentVariable("LOCALAPPDATA");
  if (local == nullptr || local[0] == '\0') {
    *reason = "LOCALAPPDATA is not set";
    return false;
  }
  PrivateSecurity security;
  if (!MakePrivateSecurity(&security)) {
    *reason = Failure("cannot describe the access of the user for", local);
    return false;
  }
  std::string base = local;
  while (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
  const std::string corvane = base + "\\Corvane";
  *path = corvane + "\\" + name;
  return MakePrivate(corvane, &security, reason) && MakePrivate(*path, &security, reason);
}
