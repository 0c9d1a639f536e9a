// CRegistry: one current key, moved down the key tree by opens and creates.
//
// Handle ownership. Every handle this object opens or creates is its own and
// is closed exactly once: when it is replaced as the current key (by another
// open or create, or by SetRootKey), by CloseKey, or by the destructor.
// Handles that come from outside are borrowed and never closed: the root
// given to the constructor or to SetRootKey, and a parent passed to
// OpenSubKey or CreateSubKey (unless that parent is the current key itself,
// which is ours). Predefined roots (HKEY_LOCAL_MACHINE and its siblings) are
// never closed either; RegOpenKeyExW may hand one back for an empty path.
// Callers must therefore not keep a GetKey() result across a later open.
//
// Every failing operation leaves the current key exactly as it was.
#include "support/Registry.h"

#include <cstring>

namespace {

// Size of one subkey name buffer in characters, terminator included.
const DWORD kNameChars = sizeof(CRegistry::SubKeyName) / sizeof(wchar_t);

// ReadString's buffer: 1024 characters, of which 1023 (2046 bytes) are
// announced to the registry so that a terminator always fits.
const DWORD kStringChars = 1024;
const DWORD kStringBytes = (kStringChars - 1) * sizeof(wchar_t);

bool IsPredefinedKey(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
           key == HKEY_USERS || key == HKEY_PERFORMANCE_DATA || key == HKEY_CURRENT_CONFIG ||
           key == HKEY_DYN_DATA
#ifdef HKEY_PERFORMANCE_TEXT
           || key == HKEY_PERFORMANCE_TEXT
#endif
#ifdef HKEY_PERFORMANCE_NLSTEXT
           || key == HKEY_PERFORMANCE_NLSTEXT
#endif
        ;
}

}  // namespace

CRegistry::CRegistry(HKEY root, REGSAM samDesired)
    : m_hKey(root), m_samDesired(samDesired), m_ownsKey(false) {}

CRegistry::~CRegistry() {
    CloseKey();
}

void CRegistry::Replace(HKEY key, bool owned) {
    HKEY old = m_hKey;
    bool oldOwned = m_ownsKey;
    m_hKey = key;
    m_ownsKey = owned && !IsPredefinedKey(key);
    // The same handle value can come back (a predefined root reopened with
    // an empty path); it must stay open then.
    if (old != nullptr && oldOwned && old != key) {
        RegCloseKey(old);
    }
}

void CRegistry::SetRootKey(HKEY root) {
    Replace(root, false);
}

LONG CRegistry::CloseKey() {
    if (m_hKey == nullptr) {
        return 0;
    }
    LONG status = ERROR_SUCCESS;
    if (m_ownsKey) {
        status = RegCloseKey(m_hKey);
    }
    m_hKey = nullptr;
    m_ownsKey = false;
    return status;
}

LONG CRegistry::CreateBelow(HKEY parent, const std::wstring& path, HKEY& created) const {
    created = nullptr;
    DWORD disposition = 0;
    return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, m_samDesired,
                           nullptr, &created, &disposition);
}

BOOL CRegistry::CreateKey(const std::wstring& path) {
    return CreateSubKey(m_hKey, path);
}

BOOL CRegistry::CreateSubKey(HKEY parent, const std::wstring& path) {
    HKEY created = nullptr;
    if (CreateBelow(parent, path, created) != ERROR_SUCCESS) {
        return FALSE;
    }
    Replace(created, true);
    return TRUE;
}

BOOL CRegistry::OpenKey(const std::wstring& path, BOOL create) {
    return OpenSubKey(m_hKey, path, m_samDesired, create);
}

BOOL CRegistry::OpenSubKey(HKEY parent, const std::wstring& path, REGSAM samDesired, BOOL create) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, samDesired, &opened) == ERROR_SUCCESS) {
        Replace(opened, true);
        return TRUE;
    }
    if (create != TRUE) {
        return FALSE;
    }
    // Create the key, let go of the handle the create returned and open the
    // path once more below the same parent. The current key is untouched
    // until that second open succeeds, so every failure leaves it as it was.
    HKEY created = nullptr;
    if (CreateBelow(parent, path, created) != ERROR_SUCCESS) {
        return FALSE;
    }
    RegCloseKey(created);
    if (RegOpenKeyExW(parent, path.c_str(), 0, m_samDesired, &opened) != ERROR_SUCCESS) {
        return FALSE;
    }
    Replace(opened, true);
    return TRUE;
}

DWORD CRegistry::EnumerateNames(HKEY key, SubKeyName* names, DWORD capacity,
                                std::vector<std::wstring>* list) {
    DWORD index = 0;
    for (;;) {
        if (names != nullptr && index >= capacity) {
            break;  // the caller's array is full
        }
        wchar_t name[kNameChars];
        DWORD length = kNameChars;
        FILETIME written;
        std::memset(&written, 0, sizeof(written));
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, &written) !=
            ERROR_SUCCESS) {
            break;
        }
        if (length >= kNameChars) {
            length = kNameChars - 1;
        }
        name[length] = L'\0';
        if (names != nullptr) {
            std::memcpy(names[index], name, (length + 1) * sizeof(wchar_t));
        }
        if (list != nullptr) {
            list->emplace_back(name, length);
        }
        ++index;
    }
    return index;
}

DWORD CRegistry::GetSubKeyCount(HKEY key) {
    return EnumerateNames(key, nullptr, 0, nullptr);
}

DWORD CRegistry::EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity) {
    return EnumerateNames(key, names, capacity, nullptr);
}

std::vector<std::wstring> CRegistry::ListSubKeys(HKEY key) {
    std::vector<std::wstring> list;
    EnumerateNames(key, nullptr, 0, &list);
    return list;
}

BOOL CRegistry::ReadDword(const std::wstring& name, DWORD& value) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    DWORD type = 0;
    if (RegQueryValueExW(m_hKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    // Shorter data would leave part of the number undefined: it counts as
    // missing, like any value of the wrong size.
    if (size != sizeof(data)) {
        return FALSE;
    }
    value = data;
    return TRUE;
}

BOOL CRegistry::ReadString(const std::wstring& name, std::wstring& value) {
    wchar_t buffer[kStringChars];
    std::memset(buffer, 0, sizeof(buffer));
    DWORD size = kStringBytes;
    DWORD type = 0;
    if (RegQueryValueExW(m_hKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    // Only the characters the registry returned count: the data need not end
    // in a terminator and may have an odd byte count (a trailing half
    // character is dropped). A multi-string yields its first string.
    if (size > kStringBytes) {
        size = kStringBytes;
    }
    const DWORD chars = size / sizeof(wchar_t);
    DWORD length = 0;
    while (length < chars && buffer[length] != L'\0') {
        ++length;
    }
    value.assign(buffer, length);
    return TRUE;
}

BOOL CRegistry::WriteDword(const std::wstring& name, DWORD value) {
    return RegSetValueExW(m_hKey, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

BOOL CRegistry::WriteString(const std::wstring& name, const std::wstring& text, DWORD type) {
    // The terminator is part of the data: (length + 1) UTF-16 units.
    const size_t limit = (static_cast<size_t>(MAXDWORD) / sizeof(wchar_t)) - 1;
    if (text.size() > limit) {
        return FALSE;
    }
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_hKey, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}
