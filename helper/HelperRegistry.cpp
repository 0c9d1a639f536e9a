// The helper's 8-bit registry wrapper.
#include "helper/HelperRegistry.h"

#include "helper/HelperCore.h"

namespace {

// Names of keys are at most 255 characters; the buffer leaves room to spare.
const DWORD kNameChars = 512;
// String values are read into 1024 bytes, of which 1023 are announced: the
// last byte always stays free.
const DWORD kStringBufferBytes = 1024;

}  // namespace

CHelperRegistry::CHelperRegistry(HKEY root, REGSAM samDesired)
    : m_hKey(root), m_samDesired(samDesired), m_bOwned(false)
{
}

CHelperRegistry::~CHelperRegistry()
{
    CloseKey();
}

void CHelperRegistry::Replace(HKEY key, bool owned)
{
    if (m_bOwned && m_hKey != nullptr)
        RegCloseKey(m_hKey);
    m_hKey = key;
    m_bOwned = owned;
}

void CHelperRegistry::SetRootKey(HKEY root)
{
    Replace(root, false);
}

LONG CHelperRegistry::CloseKey()
{
    if (m_hKey == nullptr)
        return 0;
    // A predefined root is not ours to close; closing it is harmless but
    // would report the platform's status for a handle we never opened.
    const LONG status = m_bOwned ? RegCloseKey(m_hKey) : ERROR_SUCCESS;
    m_hKey = nullptr;
    m_bOwned = false;
    return status;
}

BOOL CHelperRegistry::CreateKey(const std::string& path)
{
    return CreateSubKey(m_hKey, path);
}

BOOL CHelperRegistry::CreateSubKey(HKEY parent, const std::string& path)
{
    HKEY created = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, m_samDesired,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    Replace(created, true);
    return TRUE;
}

bool CHelperRegistry::CreateAndClose(HKEY parent, const std::string& path)
{
    HKEY created = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, m_samDesired,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(created);
    return true;
}

BOOL CHelperRegistry::OpenKey(const std::string& path, BOOL create)
{
    return OpenSubKey(m_hKey, path, m_samDesired, create);
}

BOOL CHelperRegistry::OpenSubKey(HKEY parent, const std::string& path, REGSAM samDesired,
                                 BOOL create)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, samDesired, &opened) == ERROR_SUCCESS) {
        Replace(opened, true);
        return TRUE;
    }
    if (create != TRUE)
        return FALSE;
    // Create, then open once more below the same parent: the key that stays
    // current is the one opened with our mask, and a failure anywhere leaves
    // the current key as it was.
    if (!CreateAndClose(parent, path))
        return FALSE;
    if (RegOpenKeyExA(parent, path.c_str(), 0, m_samDesired, &opened) != ERROR_SUCCESS)
        return FALSE;
    Replace(opened, true);
    return TRUE;
}

DWORD CHelperRegistry::GetSubKeyCount(HKEY key)
{
    return EnumSubKeys(key, nullptr, 0);
}

DWORD CHelperRegistry::EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity)
{
    DWORD index = 0;
    for (;;) {
        if (names != nullptr && index >= capacity)
            break;  // the caller's array is full
        char name[kNameChars] = {};
        DWORD length = kNameChars;
        FILETIME lastWrite = {};
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, &lastWrite) !=
            ERROR_SUCCESS) {
            break;
        }
        if (names != nullptr)
            lstrcpynA(names[index], name, kNameChars);
        ++index;
    }
    return index;
}

std::vector<std::string> CHelperRegistry::ListSubKeys(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[kNameChars] = {};
        DWORD length = kNameChars;
        FILETIME lastWrite = {};
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, &lastWrite) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

BOOL CHelperRegistry::ReadDword(const std::string& name, DWORD& value)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    // Fewer than four bytes are no number: treat the value as missing.
    if (size != sizeof(data))
        return FALSE;
    value = data;
    return TRUE;
}

BOOL CHelperRegistry::ReadString(const std::string& name, std::string& value)
{
    char buffer[kStringBufferBytes] = {};
    DWORD size = kStringBufferBytes - 1;
    if (RegQueryValueExA(m_hKey, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    if (size > kStringBufferBytes - 1)
        return FALSE;
    value = TextFromRegistryData(buffer, size);
    return TRUE;
}

BOOL CHelperRegistry::WriteDword(const std::string& name, DWORD value)
{
    return RegSetValueExA(m_hKey, name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

BOOL CHelperRegistry::WriteString(const std::string& name, const std::string& text, DWORD type)
{
    // The terminating NUL is part of the data.
    return RegSetValueExA(m_hKey, name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

BOOL CHelperRegistry::DeleteValue(const std::string& name)
{
    return RegDeleteValueA(m_hKey, name.c_str()) == ERROR_SUCCESS;
}
