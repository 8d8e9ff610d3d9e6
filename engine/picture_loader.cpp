#include "engine/picture_loader.h"

#include <algorithm>
#include <system_error>

namespace engine {

PictureLoader::PictureLoader(std::vector<std::string> files, unsigned workers)
    : files_(std::move(files)), promises_(files_.size()) {
  for (auto& promise : promises_) futures_.push_back(promise.get_future());
  const unsigned count = std::clamp<unsigned>(workers, 1, std::max<std::size_t>(files_.size(), 1));
  try {
    for (unsigned i = 0; i < count; ++i) workers_.emplace_back([this] { decodeUntilDone(); });
  } catch (const std::system_error&) {
    // A system that cannot start threads (a browser page without them): the workers that did start go
    // on, and with none take() decodes each picture itself.
  }
}

PictureLoader::~PictureLoader() {
  stopping_ = true;
  for (std::thread& worker : workers_) worker.join();
}

void PictureLoader::decodeUntilDone() {
  while (!stopping_) {
    const std::size_t index = next_++;
    if (index >= files_.size()) return;
    promises_[index].set_value(decodePicture(files_[index]));
  }
}

DecodedPicture PictureLoader::take(std::size_t index) {
  if (workers_.empty()) return decodePicture(files_.at(index));
  return futures_.at(index).get();
}

unsigned PictureLoader::workersForThisMachine() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

}  // namespace engine
