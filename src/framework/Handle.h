// One move-only owner for every kind of platform handle, with aliases per handle type.
#pragma once

#include <windows.h>

#include <utility>

namespace qs {

// Traits give the invalid values of a handle type and how to release it.
template <typename Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const { return m_h; }
    bool Valid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return Valid(); }

    Type Release() {
        Type h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void Reset(Type h = Traits::Invalid()) {
        if (Traits::IsValid(m_h))
            Traits::Close(m_h);
        m_h = h;
    }
    // For out-parameters of platform calls: releases what is held and hands out the slot.
    Type* Put() {
        Reset();
        return &m_h;
    }

private:
    Type m_h = Traits::Invalid();
};

// Kernel handles: both null and INVALID_HANDLE_VALUE mean "none" (CreateFile answers the latter,
// most other calls the former).
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct MappedViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::UnmapViewOfFile(h); }
};

struct VirtualMemoryTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::VirtualFree(h, 0, MEM_RELEASE); }
};

template <typename T> struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DestroyMenu(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

// Movable global memory (clipboard data): freed unless handed over to the system.
struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::GlobalFree(h); }
};

// A window this code created and destroys itself (a popup that must not outlive its user).
struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) {
        if (::IsWindow(h))
            ::DestroyWindow(h);
    }
};

using Handle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using MappedView = UniqueHandle<MappedViewTraits>;
using VirtualMemory = UniqueHandle<VirtualMemoryTraits>;
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Pen = UniqueHandle<GdiObjectTraits<HPEN>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Menu = UniqueHandle<MenuTraits>;
using Module = UniqueHandle<ModuleTraits>;
using OwnedWindow = UniqueHandle<WindowTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;

// Selects a GDI object into a device context and puts the previous one back on leaving the scope.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    ~SelectObjectScope() {
        if (m_old != nullptr && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

} // namespace qs
