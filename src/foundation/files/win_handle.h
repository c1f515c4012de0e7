#pragma once

#include <windows.h>

#include "foundation/unique_resource_win.h"

namespace myr {

// Sole owner of one kernel handle, closed with CloseFn.
template <auto CloseFn>
using UniqueWinHandle = UniqueResource<HANDLE, CloseFn>;

// Files, processes, threads, mutexes, pipes, events.
using WinHandle = UniqueWinHandle<&::CloseHandle>;
// Directory searches started with FindFirstFileExW.
using FindHandle = UniqueWinHandle<&::FindClose>;

}  // namespace myr
