#pragma once

// Names the calling thread (at most 15 characters are kept), so a stuck frame
// can be found in a debugger or in top -H.
void SetThreadName(const char* name);
