#pragma once
// Internal to tools/common: the temporaries not yet committed, for the handler that removes them when
// a run is interrupted. They are plain C strings in fixed slots, because a signal handler may only
// read them and remove the files. Each system's output file installs its own handler
// (installInterruptHandler), which calls forEachPendingTemporary.

#include <string>

namespace common::detail {

// The temporary's slot, or -1 when every slot is taken (it is then still removed on errors, but not
// on an interrupt).
int registerTemporary(const std::string& path);
void forgetTemporary(int slot);
// Calls remove(path) for every pending temporary; safe in a signal handler if remove is.
void forEachPendingTemporary(void (*remove)(const char* path));

// Defined by each system's output file; called once, by the first registerTemporary.
void installInterruptHandler();

}  // namespace common::detail
