// Trace hooks of the extension protocol. The panel calls them at the entry and exit of its
// operations with a format and arguments; in this system they print nothing. They stay in
// place so that a debugging build can route them somewhere without touching the callers.
#pragma once

// The names are the protocol's own, reserved-looking as they are.
template <typename... Args>
inline void _PDEProlog(const void* /*self*/, const char* /*format*/, const Args&... /*args*/)
{
}

template <typename... Args>
inline void _PDEEpilog(const void* /*self*/, const char* /*format*/, const Args&... /*args*/)
{
}

template <typename... Args>
inline void _PDELog(const void* /*self*/, const char* /*format*/, const Args&... /*args*/)
{
}
