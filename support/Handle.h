// One owner for every kind of handle the programs hold: kernel objects,
// files, find handles, service handles, printers, registry keys, GDI
// objects, local memory and loaded libraries. The traits of a kind say what
// "no handle" is and how a handle is given back; the owner gives it back
// exactly once, when it goes out of scope or is reset.
#ifndef QV_SUPPORT_HANDLE_H
#define QV_SUPPORT_HANDLE_H

#include <windows.h>
#include <winspool.h>

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() : m_handle(Traits::Invalid()) {}
    explicit UniqueHandle(Type handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Hands the handle over to the caller, who gives it back.
    Type Release()
    {
        const Type handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    // Gives the held handle back and holds `handle` instead.
    void Reset(Type handle = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_handle);
        m_handle = handle;
    }
    // Gives a held handle back now and returns what the system said about
    // it (RegCloseKey's status, CloseHandle's BOOL, ...).
    auto Close() -> decltype(Traits::Close(Type()))
    {
        return Traits::Close(Release());
    }
    // For a call that returns a handle through a pointer: the held one is
    // given back first.
    Type* Put()
    {
        Reset();
        return &m_handle;
    }

private:
    Type m_handle;
};

namespace handle_traits {

struct Kernel {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return CloseHandle(h); }
};
struct File {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static auto Close(Type h) { return CloseHandle(h); }
};
struct Find {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static auto Close(Type h) { return FindClose(h); }
};
struct Service {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return CloseServiceHandle(h); }
};
struct Printer {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return ClosePrinter(h); }
};
struct RegistryKey {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return RegCloseKey(h); }
};
template <class T>
struct GdiObject {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return DeleteObject(h); }
};
struct LocalMemory {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return LocalFree(h); }
};
struct Library {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return FreeLibrary(h); }
};
// A SID made by AllocateAndInitializeSid.
struct Sid {
    using Type = PSID;
    static Type Invalid() { return nullptr; }
    static auto Close(Type h) { return FreeSid(h); }
};

}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueFind = UniqueHandle<handle_traits::Find>;
using UniqueService = UniqueHandle<handle_traits::Service>;
using UniquePrinter = UniqueHandle<handle_traits::Printer>;
using UniqueRegKey = UniqueHandle<handle_traits::RegistryKey>;
using UniqueFont = UniqueHandle<handle_traits::GdiObject<HFONT>>;
using UniqueBrush = UniqueHandle<handle_traits::GdiObject<HBRUSH>>;
using UniqueBitmap = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using UniqueLocal = UniqueHandle<handle_traits::LocalMemory>;
using UniqueLibrary = UniqueHandle<handle_traits::Library>;
using UniqueSid = UniqueHandle<handle_traits::Sid>;

// A window's device context (GetDC; a null window: the screen's) for as long
// as the owner lives.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~WindowDc()
    {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return m_dc; }
    bool IsValid() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// An object selected into a device context for as long as the guard lives;
// the one selected before comes back at its end. A null object selects
// nothing.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(dc && object ? SelectObject(dc, object) : nullptr)
    {
    }
    ~SelectedObject()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

#endif
