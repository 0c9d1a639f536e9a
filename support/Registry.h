// A thin owner of one current registry key.
#ifndef QV_SUPPORT_REGISTRY_H
#define QV_SUPPORT_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

class CRegistry {
public:
    // One entry of the name array that EnumSubKeys fills.
    typedef wchar_t SubKeyName[512];

    CRegistry(HKEY root, REGSAM samDesired);
    virtual ~CRegistry();

    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    void SetRootKey(HKEY root);
    LONG CloseKey();
    BOOL CreateKey(const std::wstring& path);
    BOOL CreateSubKey(HKEY parent, const std::wstring& path);
    BOOL OpenKey(const std::wstring& path, BOOL create);
    BOOL OpenSubKey(HKEY parent, const std::wstring& path, REGSAM samDesired, BOOL create);

    DWORD GetSubKeyCount(HKEY key);
    // Fills at most `capacity` entries of `names` (may be null); returns how
    // many subkeys were enumerated.
    DWORD EnumSubKeys(HKEY key, SubKeyName* names, DWORD capacity);
    // All subkey names of `key`, in the registry's enumeration order.
    std::vector<std::wstring> ListSubKeys(HKEY key);

    BOOL ReadDword(const std::wstring& name, DWORD& value);
    BOOL ReadString(const std::wstring& name, std::wstring& value);
    BOOL WriteDword(const std::wstring& name, DWORD value);
    BOOL WriteString(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);

    HKEY GetKey() const { return m_hKey; }

private:
    // Makes `key` current and closes the key it replaces when that one is ours.
    void Replace(HKEY key, bool owned);
    LONG CreateBelow(HKEY parent, const std::wstring& path, HKEY& created) const;
    // Enumerates the subkey names of `key`: into `names` (at most `capacity`
    // entries) and/or `list` when given; returns how many were delivered.
    static DWORD EnumerateNames(HKEY key, SubKeyName* names, DWORD capacity,
                                std::vector<std::wstring>* list);

    HKEY m_hKey;
    REGSAM m_samDesired;
    // Whether m_hKey was opened or created by this object (and so must be
    // closed by it).
    bool m_ownsKey;
};

#endif
