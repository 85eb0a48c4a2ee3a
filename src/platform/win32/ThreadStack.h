#pragma once
#include <windows.h>

#include <cstddef>

namespace lumivane::win32 {

// Whether [p, p + size) lies in the part of this thread's stack that is in use: between this
// function's own frame and the stack's base. Those pages are committed, so reading them cannot
// fault, whoever sent the pointer. A rectangle the system sends with a message on this thread
// (such as WM_DPICHANGED's) is there, in a frame of the call that sent it. Defined out of line so
// that its frame lies below every caller's.
bool OnThisStack(LPARAM p, size_t size);

} // namespace lumivane::win32
