#include "launcher/win/admin_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "launcher/win/os_version_win.h"
#include "shared/base/dll_binding.h"
#include "shared/win/handles.h"

namespace kb::launcher {
namespace {

// NetApi32.dll's level-2 account-domain record: the domain's name and SID.
struct UserModalsInfo2 {
    LPWSTR domainName;
    PSID domainId;
};
using NetApiBufferFreeFn = DWORD(WINAPI*)(LPVOID buffer);
using NetUserModalsGetFn = DWORD(WINAPI*)(LPCWSTR server, DWORD level, LPBYTE* buffer);

constexpr DWORD kDomainAdminRid = 500;              // the domain's administrator account
constexpr DWORD kBuiltinDomainRid = 32;             // SECURITY_BUILTIN_DOMAIN_RID
constexpr DWORD kAdministratorsRid = 544;           // DOMAIN_ALIAS_RID_ADMINS
constexpr DWORD kLookupNameChars = 256, kLookupDomainChars = 255;
constexpr DWORD kGroupNameBytes = 260;

class NetApi {
public:
    ~NetApi() { Unbind(); }
    bool Bind() {
        // From the system folder only: the launcher runs from a disc and a
        // work folder, where a file of that name could be anybody's.
        module_ = kb::LoadSystemLibrary("NetApi32.dll");
        const char* failure = nullptr;
        if (!module_) {
            failure = "NetApi32.dll not found.";
        } else if (!(bufferFree = reinterpret_cast<NetApiBufferFreeFn>(module_->Symbol("NetApiBufferFree")))) {
            failure = "NetApiBufferFree function not found.";
        } else if (!(userModalsGet = reinterpret_cast<NetUserModalsGetFn>(module_->Symbol("NetUserModalsGet")))) {
            failure = "NetUserModalsGet function not found.";
        }
        if (!failure) return true;
        MessageBoxA(nullptr, failure, "", MB_OK);
        Unbind();
        return false;
    }
    void Unbind() {
        module_.reset();
        bufferFree = nullptr;
        userModalsGet = nullptr;
    }
    NetApiBufferFreeFn bufferFree = nullptr;
    NetUserModalsGetFn userModalsGet = nullptr;

private:
    std::unique_ptr<kb::DynamicLibrary> module_;
};

std::string ToAnsi(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool LookupName(PSID sid, std::string& name) {
    wchar_t account[kLookupNameChars] = {};
    wchar_t domain[kLookupDomainChars] = {};
    DWORD accountChars = kLookupNameChars, domainChars = kLookupDomainChars;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, account, &accountChars, domain, &domainChars, &use)) return false;
    name = ToAnsi(account);
    return true;
}

bool LookupDomainAccountName(NetApi& api, DWORD rid, std::string& name) {
    LPBYTE buffer = nullptr;
    const DWORD status = api.userModalsGet(nullptr, 2, &buffer);
    if (status != 0) {
        SetLastError(status);
        return false;
    }
    const auto* info = reinterpret_cast<const UserModalsInfo2*>(buffer);
    bool found = false;
    PSID domainSid = info->domainId;
    const UCHAR count = domainSid && IsValidSid(domainSid) ? *GetSidSubAuthorityCount(domainSid) : 0;
    // A SID holds at most 8 sub-authorities; the account's adds one.
    PSID sid = nullptr;
    if (count > 0 && count < 8 &&
        AllocateAndInitializeSid(GetSidIdentifierAuthority(domainSid), static_cast<BYTE>(count + 1), 0, 0, 0, 0, 0,
                                 0, 0, 0, &sid)) {
        for (UCHAR i = 0; i < count; ++i) *GetSidSubAuthority(sid, i) = *GetSidSubAuthority(domainSid, i);
        *GetSidSubAuthority(sid, count) = rid;
        found = LookupName(sid, name);
        FreeSid(sid);
    }
    api.bufferFree(buffer);
    return found;
}

bool LookupWellKnownGroupName(DWORD rid, std::string& name) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, kBuiltinDomainRid, rid, 0, 0, 0, 0, 0, 0, &sid)) return false;
    const bool found = LookupName(sid, name);
    FreeSid(sid);
    return found;
}

// The account with relative id 500 of the local account domain (only its
// lookup must succeed) and the built-in group S-1-5-32-544, in the ANSI code page.
bool GetAdminNames(NetApi& api, std::string& accountName, std::string& groupName) {
    return LookupDomainAccountName(api, kDomainAdminRid, accountName) &&
           LookupWellKnownGroupName(kAdministratorsRid, groupName);
}

// The process token's groups; empty when the token cannot be opened or read.
std::vector<BYTE> TokenGroupsOfProcess() {
    HANDLE raw = nullptr;
    // Reading the group list needs nothing but the right to query.
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const kb::win::ScopedKernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size);
    if (size < sizeof(TOKEN_GROUPS)) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenGroups, buffer.data(), size, &size)) return {};
    return buffer;
}

}  // namespace

bool IsUserAdmin() {
    if (IsAdminByVersionCode(GetOsVersionCode())) return true;
    NetApi api;
    if (!api.Bind()) return false;
    std::string accountName, groupName;
    if (!GetAdminNames(api, accountName, groupName)) return false;
    const std::vector<BYTE> buffer = TokenGroupsOfProcess();
    if (buffer.empty()) return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    bool admin = false;
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        char name[kGroupNameBytes] = {};
        char domain[kGroupNameBytes] = {};
        DWORD nameBytes = sizeof name, domainBytes = sizeof domain;
        SID_NAME_USE use;
        if (LookupAccountSidA(nullptr, groups->Groups[i].Sid, name, &nameBytes, domain, &domainBytes, &use) &&
            std::strcmp(name, groupName.c_str()) == 0)
            admin = true;
    }
    return admin;
}

}  // namespace kb::launcher
