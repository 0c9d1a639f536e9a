// The registry layer's implementation, for the two files that make its wide
// and its 8-bit form (each program links only the form it uses, and so
// imports only those registry calls). Not for other includers.
// BasicRegistry: one current key, moved down the key tree by opens and creates.
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
#ifndef QV_SUPPORT_REGISTRYIMPL_H
#define QV_SUPPORT_REGISTRYIMPL_H

#include "support/Registry.h"

#include <cstring>

#include "support/Handle.h"
#include "support/RegistryText.h"
#include "support/SystemLibrary.h"

namespace registry_impl {

// RegDeleteKey works in the program's own registry view only; the call that
// takes a view, RegDeleteKeyEx, came with 64-bit Windows XP and Vista and is
// looked up at run time. Where it is missing (32-bit Windows 2000 and XP)
// there is no other view, and RegDeleteKey is the call.
template <class F, class Char>
LONG DeleteKeyInView(const char* exName, LONG (WINAPI* plain)(HKEY, const Char*), HKEY parent,
                     const Char* path, REGSAM view)
{
    if (view != 0) {
        const F deleteInView = LookUpFunction<F>(GetModuleHandleW(L"advapi32.dll"), exName);
        if (deleteInView != nullptr)
            return deleteInView(parent, path, view, 0);
    }
    return plain(parent, path);
}

// The wide and the ANSI registry calls under one name each.
template <class Char>
struct RegistryCalls;

template <>
struct RegistryCalls<wchar_t> {
    static LONG Open(HKEY parent, const wchar_t* path, REGSAM sam, HKEY* key)
    {
        return RegOpenKeyExW(parent, path, 0, sam, key);
    }
    static LONG Create(HKEY parent, const wchar_t* path, REGSAM sam, HKEY* key)
    {
        DWORD disposition = 0;
        return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, key, &disposition);
    }
    static LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* length)
    {
        FILETIME written;
        std::memset(&written, 0, sizeof(written));
        return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, &written);
    }
    static LONG Query(HKEY key, const wchar_t* name, BYTE* data, DWORD* size)
    {
        DWORD type = 0;
        return RegQueryValueExW(key, name, nullptr, &type, data, size);
    }
    static LONG Set(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size)
    {
        return RegSetValueExW(key, name, 0, type, data, size);
    }
    static LONG Delete(HKEY key, const wchar_t* name) { return RegDeleteValueW(key, name); }
    static LONG DeleteKey(HKEY parent, const wchar_t* path, REGSAM view)
    {
        typedef LONG(WINAPI * DeleteKeyEx)(HKEY, const wchar_t*, REGSAM, DWORD);
        return DeleteKeyInView<DeleteKeyEx, wchar_t>("RegDeleteKeyExW", &RegDeleteKeyW, parent, path, view);
    }
};

template <>
struct RegistryCalls<char> {
    static LONG Open(HKEY parent, const char* path, REGSAM sam, HKEY* key)
    {
        return RegOpenKeyExA(parent, path, 0, sam, key);
    }
    static LONG Create(HKEY parent, const char* path, REGSAM sam, HKEY* key)
    {
        DWORD disposition = 0;
        return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, key, &disposition);
    }
    static LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* length)
    {
        FILETIME written;
        std::memset(&written, 0, sizeof(written));
        return RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, &written);
    }
    static LONG Query(HKEY key, const char* name, BYTE* data, DWORD* size)
    {
        DWORD type = 0;
        return RegQueryValueExA(key, name, nullptr, &type, data, size);
    }
    static LONG Set(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size)
    {
        return RegSetValueExA(key, name, 0, type, data, size);
    }
    static LONG Delete(HKEY key, const char* name) { return RegDeleteValueA(key, name); }
    static LONG DeleteKey(HKEY parent, const char* path, REGSAM view)
    {
        typedef LONG(WINAPI * DeleteKeyEx)(HKEY, const char*, REGSAM, DWORD);
        return DeleteKeyInView<DeleteKeyEx, char>("RegDeleteKeyExA", &RegDeleteKeyA, parent, path, view);
    }
};

// ReadString's buffer: 1024 characters, of which 1023 are announced to the
// registry (2046 bytes wide, 1023 bytes 8-bit) so that a terminator always
// fits.
constexpr DWORD kStringChars = 1024;

inline bool IsPredefinedKey(HKEY key)
{
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

}  // namespace registry_impl


template <class Char>
BasicRegistry<Char>::BasicRegistry(HKEY root, REGSAM samDesired)
    : m_hKey(root), m_samDesired(samDesired), m_ownsKey(false)
{
}

template <class Char>
BasicRegistry<Char>::~BasicRegistry()
{
    CloseKey();
}

template <class Char>
void BasicRegistry<Char>::Replace(HKEY key, bool owned)
{
    // The key given up is closed by its owner when it goes out of scope.
    UniqueRegKey old(m_ownsKey ? m_hKey : nullptr);
    m_hKey = key;
    m_ownsKey = owned && !registry_impl::IsPredefinedKey(key);
    // The same handle value can come back (a predefined root reopened with
    // an empty path); it must stay open then.
    if (old.Get() == key)
        old.Release();
}

template <class Char>
void BasicRegistry<Char>::SetRootKey(HKEY root)
{
    Replace(root, false);
}

template <class Char>
LONG BasicRegistry<Char>::CloseKey()
{
    if (m_hKey == nullptr)
        return 0;
    LONG status = ERROR_SUCCESS;
    if (m_ownsKey)
        status = UniqueRegKey(m_hKey).Close();
    m_hKey = nullptr;
    m_ownsKey = false;
    return status;
}

template <class Char>
LONG BasicRegistry<Char>::CreateBelow(HKEY parent, const String& path, HKEY& created) const
{
    created = nullptr;
    return registry_impl::RegistryCalls<Char>::Create(parent, path.c_str(), m_samDesired, &created);
}

template <class Char>
RegStatus BasicRegistry<Char>::CreateKey(const String& path)
{
    return CreateSubKey(m_hKey, path);
}

template <class Char>
RegStatus BasicRegistry<Char>::CreateSubKey(HKEY parent, const String& path)
{
    HKEY created = nullptr;
    const LONG status = CreateBelow(parent, path, created);
    if (status != ERROR_SUCCESS)
        return status;
    Replace(created, true);
    return ERROR_SUCCESS;
}

template <class Char>
RegStatus BasicRegistry<Char>::OpenKey(const String& path, BOOL create)
{
    return OpenSubKey(m_hKey, path, m_samDesired, create);
}

template <class Char>
RegStatus BasicRegistry<Char>::OpenSubKey(HKEY parent, const String& path, REGSAM samDesired, BOOL create)
{
    HKEY opened = nullptr;
    LONG status = registry_impl::RegistryCalls<Char>::Open(parent, path.c_str(), samDesired, &opened);
    if (status == ERROR_SUCCESS) {
        Replace(opened, true);
        return ERROR_SUCCESS;
    }
    if (create != TRUE)
        return status;
    // Create the key, let go of the handle the create returned and open the
    // path once more below the same parent. The current key is untouched
    // until that second open succeeds, so every failure leaves it as it was.
    {
        UniqueRegKey created;
        status = CreateBelow(parent, path, *created.Put());
        if (status != ERROR_SUCCESS) {
            created.Release();  // a failed create leaves no key
            return status;
        }
    }
    status = registry_impl::RegistryCalls<Char>::Open(parent, path.c_str(), m_samDesired, &opened);
    if (status != ERROR_SUCCESS)
        return status;
    Replace(opened, true);
    return ERROR_SUCCESS;
}

template <class Char>
DWORD BasicRegistry<Char>::EnumerateNames(HKEY key, SubKeyName* names, DWORD capacity,
                                          std::vector<String>* list)
{
    const DWORD nameChars = sizeof(SubKeyName) / sizeof(Char);
    DWORD index = 0;
    for (;;) {
        if (names != nullptr && index >= capacity)
            break;  // the caller's array is full
        Char name[sizeof(SubKeyName) / sizeof(Char)];
        DWORD length = nameChars;
        if (registry_impl::RegistryCalls<Char>::EnumKey(key, index, name, &length) != ERROR_SUCCESS)
            break;
        if (length >= nameChars)
            length = nameChars - 1;
        name[length] = Char(0);
        if (names != nullptr)
            std::memcpy(names[index], name, (length + 1) * sizeof(Char));
        if (list != nullptr)
            list->emplace_back(name, length);
        ++index;
    }
    return index;
}

template <class Char>
DWORD BasicRegistry<Char>::GetSubKeyCount(HKEY key)
{
    return EnumerateNames(key, nullptr, 0, nullptr);
}

template <class Char>
DWORD BasicRegistry<Char>::EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity)
{
    return EnumerateNames(key, names, capacity, nullptr);
}

template <class Char>
std::vector<typename BasicRegistry<Char>::String> BasicRegistry<Char>::ListSubKeys(HKEY key)
{
    std::vector<String> list;
    EnumerateNames(key, nullptr, 0, &list);
    return list;
}

template <class Char>
RegStatus BasicRegistry<Char>::ReadDword(const String& name, DWORD& value)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LONG status =
        registry_impl::RegistryCalls<Char>::Query(m_hKey, name.c_str(), reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS)
        return status;  // longer data: the system's ERROR_MORE_DATA
    // Shorter data would leave part of the number undefined: it counts as
    // missing, like any value of the wrong size.
    if (size != sizeof(data))
        return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

template <class Char>
RegStatus BasicRegistry<Char>::ReadString(const String& name, String& value)
{
    Char buffer[registry_impl::kStringChars];
    std::memset(buffer, 0, sizeof(buffer));
    const DWORD announced = (registry_impl::kStringChars - 1) * sizeof(Char);
    DWORD size = announced;
    const LONG status =
        registry_impl::RegistryCalls<Char>::Query(m_hKey, name.c_str(), reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS)
        return status;
    // Only the characters the registry returned count: the data need not end
    // in a terminator and may have an odd byte count (a trailing half
    // character is dropped). A multi-string yields its first string.
    if (size > announced)
        size = announced;
    value = TextFromRegistryData(buffer, size / sizeof(Char));
    return ERROR_SUCCESS;
}

template <class Char>
RegStatus BasicRegistry<Char>::WriteDword(const String& name, DWORD value)
{
    return registry_impl::RegistryCalls<Char>::Set(m_hKey, name.c_str(), REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

template <class Char>
RegStatus BasicRegistry<Char>::WriteString(const String& name, const String& text, DWORD type)
{
    // The terminator is part of the data: (length + 1) characters.
    const size_t limit = (static_cast<size_t>(MAXDWORD) / sizeof(Char)) - 1;
    if (text.size() > limit)
        return ERROR_INVALID_PARAMETER;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(Char));
    return registry_impl::RegistryCalls<Char>::Set(m_hKey, name.c_str(), type,
                                                   reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

template <class Char>
RegStatus BasicRegistry<Char>::DeleteValue(const String& name)
{
    return registry_impl::RegistryCalls<Char>::Delete(m_hKey, name.c_str());
}

template <class Char>
REGSAM BasicRegistry<Char>::View() const
{
    return m_samDesired & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
}

template <class Char>
RegStatus BasicRegistry<Char>::DeleteKey(const String& path)
{
    // An empty path names the current key itself, which must stay.
    if (path.empty())
        return ERROR_INVALID_PARAMETER;
    return registry_impl::RegistryCalls<Char>::DeleteKey(m_hKey, path.c_str(), View());
}

template <class Char>
RegStatus BasicRegistry<Char>::DeleteTree(const String& path)
{
    if (path.empty())
        return ERROR_INVALID_PARAMETER;
    return DeleteTreeBelow(m_hKey, path);
}

template <class Char>
LONG BasicRegistry<Char>::DeleteTreeBelow(HKEY parent, const String& path) const
{
    std::vector<String> children;
    {
        // Opened in the object's view, so that the children listed are the
        // ones the deletions below reach.
        UniqueRegKey key;
        const LONG status = registry_impl::RegistryCalls<Char>::Open(
            parent, path.c_str(), KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | View(), key.Put());
        if (status != ERROR_SUCCESS) {
            key.Release();  // a failed open returns no key
            return status;
        }
        // The names first, then the deletions: deleting while enumerating
        // would shift the indexes.
        EnumerateNames(key.Get(), nullptr, 0, &children);
        for (const String& child : children) {
            const LONG childStatus = DeleteTreeBelow(key.Get(), child);
            if (childStatus != ERROR_SUCCESS && !RegStatus(childStatus).NotFound())
                return childStatus;
        }
    }
    // A subkey added meanwhile makes the system refuse this one.
    return registry_impl::RegistryCalls<Char>::DeleteKey(parent, path.c_str(), View());
}


#endif
