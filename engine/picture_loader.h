#pragma once
// Pictures decoded on worker threads while the caller's thread uploads them: the files are decoded in
// the order given, a few at a time, and take(i) waits for the i-th. The uploads, and with them every
// OpenGL call and every failure report, stay on the caller's thread in that same order, so loading
// looks exactly as it does one file after another; only the decoding moves to the other cores.
//
// The destructor stops the workers after the file each is on (a failure report may leave the rest
// undecoded) and waits for them.

#include "engine/texture.h"

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace engine {

class PictureLoader {
 public:
  // workers: how many threads decode (at least 1).
  PictureLoader(std::vector<std::string> files, unsigned workers);
  ~PictureLoader();
  PictureLoader(const PictureLoader&) = delete;
  PictureLoader& operator=(const PictureLoader&) = delete;

  // The i-th file's picture, once decoded; each index may be taken once.
  DecodedPicture take(std::size_t index);

  // Decoding threads for a machine: one a core (the uploading thread mostly waits for them), at most four.
  static unsigned workersForThisMachine();

 private:
  void decodeUntilDone();

  std::vector<std::string> files_;
  std::vector<std::promise<DecodedPicture>> promises_;
  std::vector<std::future<DecodedPicture>> futures_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> workers_;
};

}  // namespace engine
