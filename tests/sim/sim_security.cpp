// SimWindows security: the run's account, what an access list grants it, and the private
// namespaces of kernel objects with their boundaries (of one SID, as the installer's).
#include "sim_windows.h"

#include <sddl.h>

#include <regex>
#include <set>
#include <string>

namespace qv::sim {
namespace {

constexpr wchar_t kAdministratorSid[] = L"S-1-5-21-1004336348-1177238915-682003330-500";
constexpr wchar_t kPersonSid[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

// The SIDs in the account's token ("Access Tokens": an elevated administrator's has
// Administrators enabled, a standard user's none), in full and as SDDL abbreviates them ("SID
// Strings"): SYSTEM, Administrators, Users, Everyone, Authenticated Users.
bool HoldsSid(SimAccount account, const std::wstring& sid) {
  static const std::set<std::wstring> kEveryone = {L"WD", L"S-1-1-0", L"AU", L"S-1-5-11"};
  static const std::set<std::wstring> kSystem = {L"SY", L"S-1-5-18", L"BA", L"S-1-5-32-544"};
  static const std::set<std::wstring> kAdministrator = {L"BA", L"S-1-5-32-544", L"BU",
                                                        L"S-1-5-32-545", kAdministratorSid};
  static const std::set<std::wstring> kPerson = {L"BU", L"S-1-5-32-545", kPersonSid};
  const auto& sids = account == SimAccount::kSystem          ? kSystem
                     : account == SimAccount::kAdministrator ? kAdministrator
                                                             : kPerson;
  return kEveryone.count(sid) != 0 || sids.count(sid) != 0;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

// "How DACLs Control Access to an Object": an allowed ACE of one of the account's SIDs grants;
// full control is GENERIC_ALL or FILE_ALL_ACCESS ("ACE Strings": GA, FA); no DACL grants all.
bool GrantsFullControl(const std::wstring& access, SimAccount account) {
  const std::wstring& text = access.empty() ? DefaultAccessOf(SimAccount::kAdministrator) : access;
  const size_t dacl = text.find(L"D:");
  if (dacl == std::wstring::npos) return true;
  static const std::wregex kFullControl(L"\\(A;[^;]*;(?:GA|FA);[^;]*;[^;]*;([^)]*)\\)");
  for (std::wsregex_iterator ace(text.begin() + static_cast<long>(dacl), text.end(), kFullControl),
       end;
       ace != end; ++ace) {
    if (HoldsSid(account, (*ace)[1].str())) return true;
  }
  return false;
}

// A token's default DACL: full control for its user (for an elevated administrator, the
// Administrators group) and SYSTEM.
std::wstring DefaultAccessOf(SimAccount account) {
  if (account == SimAccount::kStandardUser)
    return std::wstring(L"D:(A;;GA;;;") + kPersonSid + L")(A;;GA;;;SY)";
  return L"D:(A;;GA;;;BA)(A;;GA;;;SY)";
}

// The boundary descriptor is a handle naming its boundary: "<name>{<SID>}".
HANDLE SimWindows::CreateBoundaryDescriptorW(LPCWSTR name, ULONG flags) {
  if (Fault("CreateBoundaryDescriptorW")) return nullptr;
  if (!name || flags != 0) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  return NewHandle(HandleKind::kBoundary, std::wstring(name) + L"{}");
}

BOOL SimWindows::AddSIDToBoundaryDescriptor(HANDLE* boundary, PSID sid) {
  if (Fault("AddSIDToBoundaryDescriptor")) return FALSE;
  HandleEntry* entry = boundary ? FindHandle(*boundary, HandleKind::kBoundary) : nullptr;
  LPWSTR text = nullptr;
  if (!entry || entry->name.back() != L'}' || entry->name[entry->name.size() - 2] != L'{' || !sid ||
      !::IsValidSid(sid) || !::ConvertSidToStringSidW(sid, &text))
    return Fail(ERROR_INVALID_PARAMETER);
  entry->name.insert(entry->name.size() - 1, text);
  ::LocalFree(text);
  return TRUE;
}

void SimWindows::DeleteBoundaryDescriptor(HANDLE boundary) {
  Fault("DeleteBoundaryDescriptor");
  CloseOf(boundary, {HandleKind::kBoundary});
}

// CreatePrivateNamespace: "The caller must be within this boundary"; a namespace is identified
// by its name and boundary ("Object Namespaces").
HANDLE SimWindows::CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary,
                                           LPCWSTR alias) {
  if (Fault("CreatePrivateNamespaceW")) return nullptr;
  const HandleEntry* entry = FindHandle(boundary, HandleKind::kBoundary);
  if (!entry || !alias) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  const size_t open = entry->name.find(L'{');
  if (!HoldsSid(account, entry->name.substr(open + 1, entry->name.size() - open - 2)))
    return Fail<HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  const std::wstring key = entry->name + L"\\" + alias;
  SimNamespace& space = namespaces[Narrow(key)];
  if (space.openHandles > 0) return Fail<HANDLE>(ERROR_ALREADY_EXISTS, nullptr);
  const bool given = attributes && attributes->lpSecurityDescriptor;
  space = {given ? static_cast<const wchar_t*>(attributes->lpSecurityDescriptor)
                 : DefaultAccessOf(account),
           1};
  return NewHandle(HandleKind::kNamespace, key);
}

// OpenPrivateNamespace: name and boundary must match, the namespace's security descriptor
// decides who opens it ("Object Namespaces"); after its last handle is closed it is not found.
HANDLE SimWindows::OpenPrivateNamespaceW(LPVOID boundary, LPCWSTR alias) {
  if (Fault("OpenPrivateNamespaceW")) return nullptr;
  const HandleEntry* entry = FindHandle(boundary, HandleKind::kBoundary);
  if (!entry || !alias) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  const std::wstring key = entry->name + L"\\" + alias;
  auto found = namespaces.find(Narrow(key));
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
  auto found = namespaces.find(Narrow(entry->name));
  --found->second.openHandles;
  if (flags & PRIVATE_NAMESPACE_FLAG_DESTROY) namespaces.erase(found);
  return CloseOf(handle, {HandleKind::kNamespace});
}

// CreateWellKnownSid: Windows' own SID; too small a buffer fails with ERROR_INSUFFICIENT_BUFFER.
BOOL SimWindows::CreateWellKnownSid(WELL_KNOWN_SID_TYPE type, PSID domain, PSID sid, DWORD* size) {
  if (Fault("CreateWellKnownSid")) return FALSE;
  return ::CreateWellKnownSid(type, domain, sid, size) ? TRUE : Fail(::GetLastError());
}

std::string SimWindows::MutexKey(const std::string& name) {
  const std::string alias = name.substr(0, name.find('\\'));
  if (alias == name) return ObjectName(name, sessionId);  // the run's session's own
  if (alias == "Global" || alias == "Local" || alias == "Session") return name;
  for (const auto& [value, entry] : handles_) {
    const std::string key = Narrow(entry.name);
    if (entry.kind == HandleKind::kNamespace && key.size() > alias.size() &&
        key.compare(key.size() - alias.size() - 1, std::string::npos, "\\" + alias) == 0)
      return key + name.substr(alias.size());
  }
  return "";
}

}  // namespace qv::sim
