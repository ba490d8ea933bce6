// SimWindows security: the run's account, what an access list grants it, and the private
// namespaces of kernel objects with their boundaries.
#include "sim_windows.h"

#include <sddl.h>

#include <string>
#include <vector>

namespace qv::sim {
namespace {

constexpr wchar_t kSystemSid[] = L"S-1-5-18";
constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
constexpr wchar_t kUsersSid[] = L"S-1-5-32-545";
constexpr wchar_t kEveryoneSid[] = L"S-1-1-0";
constexpr wchar_t kAuthenticatedUsersSid[] = L"S-1-5-11";
constexpr wchar_t kAdministratorSid[] = L"S-1-5-21-1004336348-1177238915-682003330-500";
constexpr wchar_t kPersonSid[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

// "Well-known SIDs" and "SID Strings": the abbreviations an SDDL text may use.
std::wstring FullSid(const std::wstring& sid) {
  static const struct {
    const wchar_t* alias;
    const wchar_t* sid;
  } kAliases[] = {{L"SY", kSystemSid}, {L"BA", kAdministratorsSid}, {L"BU", kUsersSid},
                  {L"WD", kEveryoneSid}, {L"AU", kAuthenticatedUsersSid}};
  for (const auto& alias : kAliases) {
    if (sid == alias.alias) return alias.sid;
  }
  return sid;
}

// The groups in the account's token ("Access Tokens"; an elevated administrator's token has
// Administrators enabled, a standard user's has no Administrators at all).
bool HoldsSid(SimAccount account, const std::wstring& sid) {
  if (sid == kEveryoneSid || sid == kAuthenticatedUsersSid) return true;
  switch (account) {
    case SimAccount::kSystem:
      return sid == kSystemSid || sid == kAdministratorsSid;
    case SimAccount::kAdministrator:
      return sid == kAdministratorSid || sid == kAdministratorsSid || sid == kUsersSid;
    case SimAccount::kStandardUser:
      return sid == kPersonSid || sid == kUsersSid;
  }
  return false;
}

// The rights of an ACE that mean full control: "Access Mask Format", GENERIC_ALL and
// FILE_ALL_ACCESS ("ACE Strings": GA, FA).
bool IsFullControl(const std::wstring& rights) { return rights == L"GA" || rights == L"FA"; }

// The fields of an ACE string "(type;flags;rights;object;inherited object;sid)".
std::vector<std::wstring> AceFields(const std::wstring& ace) {
  std::vector<std::wstring> fields(1);
  for (wchar_t c : ace) {
    if (c == L';') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

// "How DACLs Control Access to an Object": allowed ACEs of the account's SIDs grant; a DACL
// without one for the account grants nothing.
bool GrantsFullControl(const std::wstring& access, SimAccount account) {
  if (access.empty()) {
    return GrantsFullControl(DefaultAccessOf(SimAccount::kAdministrator), account);
  }
  const size_t dacl = access.find(L"D:");
  if (dacl == std::wstring::npos) return true;  // no DACL: everyone has every right
  for (size_t open = access.find(L'(', dacl); open != std::wstring::npos;
       open = access.find(L'(', open + 1)) {
    const size_t close = access.find(L')', open);
    const auto fields = AceFields(access.substr(open + 1, close - open - 1));
    if (fields.size() == 6 && fields[0] == L"A" && IsFullControl(fields[2]) &&
        HoldsSid(account, FullSid(fields[5]))) {
      return true;
    }
  }
  return false;
}

// The default DACL of a token: full control for its user (for an elevated administrator, the
// Administrators group) and SYSTEM.
std::wstring DefaultAccessOf(SimAccount account) {
  switch (account) {
    case SimAccount::kStandardUser:
      return std::wstring(L"D:(A;;GA;;;") + kPersonSid + L")(A;;GA;;;SY)";
    default:
      return L"D:(A;;GA;;;BA)(A;;GA;;;SY)";
  }
}

// The boundary descriptor is a handle naming its boundary: "<name>{<SID>,...}".
HANDLE SimWindows::CreateBoundaryDescriptorW(LPCWSTR name, ULONG flags) {
  if (Fault("CreateBoundaryDescriptorW")) return nullptr;
  if (!name || flags != 0) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  return NewHandle(HandleKind::kBoundary, std::wstring(name) + L"{}");
}

BOOL SimWindows::AddSIDToBoundaryDescriptor(HANDLE* boundary, PSID sid) {
  if (Fault("AddSIDToBoundaryDescriptor")) return FALSE;
  HandleEntry* entry = boundary ? FindHandle(*boundary, HandleKind::kBoundary) : nullptr;
  LPWSTR text = nullptr;
  if (!entry || !sid || !::IsValidSid(sid) || !::ConvertSidToStringSidW(sid, &text))
    return Fail(ERROR_INVALID_PARAMETER);
  std::wstring& key = entry->name;  // "<name>{...}"
  const bool first = key[key.size() - 2] == L'{';
  key.insert(key.size() - 1, (first ? L"" : L",") + std::wstring(text));
  ::LocalFree(text);
  return TRUE;
}

void SimWindows::DeleteBoundaryDescriptor(HANDLE boundary) {
  Fault("DeleteBoundaryDescriptor");
  CloseOf(boundary, {HandleKind::kBoundary});
}

// CreatePrivateNamespace: "The caller must be within this boundary", and a namespace is
// identified by its name and boundary ("Object Namespaces").
HANDLE SimWindows::CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary,
                                           LPCWSTR alias) {
  if (Fault("CreatePrivateNamespaceW")) return nullptr;
  const HandleEntry* entry = FindHandle(boundary, HandleKind::kBoundary);
  if (!entry || !alias) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  const std::wstring& name = entry->name;
  const size_t open = name.find(L'{');
  std::wstring sids = name.substr(open + 1, name.size() - open - 2);
  if (sids.empty()) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  for (size_t at = 0; at != std::wstring::npos;) {
    const size_t comma = sids.find(L',', at);
    if (!HoldsSid(account, sids.substr(at, comma - at)))
      return Fail<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
    at = comma == std::wstring::npos ? comma : comma + 1;
  }
  const std::wstring key = name + L"\\" + alias;
  SimNamespace& space = namespaces[std::string(key.begin(), key.end())];
  if (space.openHandles > 0) return Fail<HANDLE>(ERROR_ALREADY_EXISTS, nullptr);
  space.access = attributes && attributes->lpSecurityDescriptor
                     ? static_cast<const wchar_t*>(attributes->lpSecurityDescriptor)
                     : DefaultAccessOf(account);
  ++space.openHandles;
  return NewHandle(HandleKind::kNamespace, key);
}

// OpenPrivateNamespace: name and boundary must match; the namespace's security descriptor
// decides who opens it ("Object Namespaces"). After its last handle is closed it is not found.
HANDLE SimWindows::OpenPrivateNamespaceW(LPVOID boundary, LPCWSTR alias) {
  if (Fault("OpenPrivateNamespaceW")) return nullptr;
  const HandleEntry* entry = FindHandle(boundary, HandleKind::kBoundary);
  if (!entry || !alias) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  const std::wstring key = entry->name + L"\\" + alias;
  auto found = namespaces.find(std::string(key.begin(), key.end()));
  if (found == namespaces.end() || found->second.openHandles == 0)
    return Fail<HANDLE>(ERROR_FILE_NOT_FOUND, nullptr);
  if (!GrantsFullControl(found->second.access, account))
    return Fail<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  ++found->second.openHandles;
  return NewHandle(HandleKind::kNamespace, key);
}

BOOLEAN SimWindows::ClosePrivateNamespace(HANDLE handle, ULONG flags) {
  Fault("ClosePrivateNamespace");
  const HandleEntry* entry = FindHandle(handle, HandleKind::kNamespace);
  if (!entry) return Fail<BOOLEAN>(ERROR_INVALID_HANDLE, FALSE);
  auto found = namespaces.find(std::string(entry->name.begin(), entry->name.end()));
  --found->second.openHandles;
  if (flags & PRIVATE_NAMESPACE_FLAG_DESTROY) namespaces.erase(found);
  CloseOf(handle, {HandleKind::kNamespace});
  return TRUE;
}

// CreateWellKnownSid: "cbSid ... on output, the size of the SID"; too small a buffer fails with
// ERROR_INSUFFICIENT_BUFFER. The SID is Windows' own.
BOOL SimWindows::CreateWellKnownSid(WELL_KNOWN_SID_TYPE type, PSID domain, PSID sid, DWORD* size) {
  if (Fault("CreateWellKnownSid")) return FALSE;
  if (!::CreateWellKnownSid(type, domain, sid, size)) return Fail(::GetLastError());
  return TRUE;
}

std::string SimWindows::MutexKey(const std::string& name) {
  const size_t slash = name.find('\\');
  if (slash == std::string::npos) return name;
  const std::wstring alias(name.begin(), name.begin() + static_cast<long>(slash));
  if (alias == L"Global" || alias == L"Local" || alias == L"Session") return name;
  for (const auto& [value, entry] : handles_) {
    const std::wstring& key = entry.name;
    if (entry.kind == HandleKind::kNamespace && key.size() > alias.size() &&
        key.compare(key.size() - alias.size() - 1, std::wstring::npos, L"\\" + alias) == 0) {
      return std::string(key.begin(), key.end()) + name.substr(slash);
    }
  }
  return "";
}

}  // namespace qv::sim
