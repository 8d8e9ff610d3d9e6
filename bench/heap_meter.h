#pragma once
// Peak heap use of a piece of work: this executable puts its own malloc family in front of the C
// library's (so C++ allocations and those of shared libraries such as libjpeg-turbo are all seen)
// and keeps the live and the peak byte count.

#include <cstddef>
#include <functional>

namespace heapmeter {

// Bytes allocated at the peak while work ran, above what was live when it started.
std::size_t peakDuring(const std::function<void()>& work);

}  // namespace heapmeter
