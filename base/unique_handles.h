// Owners for the handles this program and its desktop stand-ins close: each
// releases its handle with the one call that kind of handle needs, on every
// way out. Predefined registry keys and LoadResource results are never owned.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

template <class Handle, auto Release>
struct HandleReleaser {
    void operator()(Handle handle) const { Release(handle); }
};
template <class Handle, auto Release>
using UniqueOwner = std::unique_ptr<std::remove_pointer_t<Handle>, HandleReleaser<Handle, Release>>;

using UniqueFont = UniqueOwner<HFONT, DeleteObject>;
using UniqueMenu = UniqueOwner<HMENU, DestroyMenu>;
using UniqueKey = UniqueOwner<HKEY, RegCloseKey>;

// Kernel handles; CreateFileW's INVALID_HANDLE_VALUE is no handle either.
struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
