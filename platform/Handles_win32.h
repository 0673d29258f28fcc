// The small owners of the Windows handles the programs hold, and the scoped
// guards for a critical section and for COM. Each frees (or leaves) in its
// destructor, so no early return can leak; none is copied.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "platform/OpenFile.h"

namespace platform {

// Owns one handle, freed with Free unless it is null. The handles of
// calls that answer failure with INVALID_HANDLE_VALUE are checked before
// they are given to an owner.
template <class Handle, class Free>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    // Frees the handle held and takes the new one.
    void Reset(Handle handle = nullptr) {
        if (handle_) Free()(handle_);
        handle_ = handle;
    }
    // For a call that gives the handle through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }

private:
    Handle handle_ = nullptr;
};

struct IconFree {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct RegistryKeyFree {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct KernelHandleFree {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct FindFree {
    void operator()(HANDLE search) const { FindClose(search); }
};
struct LocalFreeText {
    void operator()(char* text) const { LocalFree(text); }
};
struct LibraryFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};

using IconHandle = Owned<HICON, IconFree>;              // LoadImage of an icon
using RegistryKey = Owned<HKEY, RegistryKeyFree>;       // RegOpenKeyEx
using KernelHandle = Owned<HANDLE, KernelHandleFree>;   // a process or thread
using FindHandle = Owned<HANDLE, FindFree>;             // FindFirstFile
using LocalText = Owned<char*, LocalFreeText>;          // FormatMessage's own buffer
using LibraryHandle = Owned<HMODULE, LibraryFree>;      // LoadLibrary(Ex)
// The C runtime's FILE: OpenFile (platform/OpenFile.h).

// Holds a critical section for its own lifetime.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : section_(section) {
        EnterCriticalSection(&section_);
    }
    ~CriticalSectionLock() { LeaveCriticalSection(&section_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

// COM on this thread for the guard's lifetime: CoInitialize, then
// CoUninitialize in the destructor.
class ComApartment {
public:
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace platform
