#pragma once
// Internal to tools/common, shared by each system's output file. The temporaries not yet committed, for the handler
// that removes them when a run is interrupted. They are plain C strings in fixed slots, because a signal handler may
// only read them and remove the files. Each system's output file installs its own handler (installInterruptHandler),
// which calls forEachPendingTemporary.

#include <filesystem>
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

// Whether a target is written in place rather than replaced: it exists and is not a plain file (a
// device such as /dev/null or NUL, a pipe).
bool writtenInPlace(const std::filesystem::path& target);

}  // namespace common::detail
