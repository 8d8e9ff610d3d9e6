#pragma once
// An OpenGL context with no window and no display: an EGL pbuffer on Mesa's surfaceless platform, of
// the given size, with 8-8-8 colour and a 16-bit depth buffer like the demo window. While the object
// lives its context is current on the creating thread. Frames are read back top row first.
//
// The context is desktop OpenGL, or OpenGL ES 3 for a program drawing through our own OpenGL 1.1 layer
// (platform/web/gl) instead of libGL.
//
// Construction throws std::runtime_error naming the EGL step that failed.

#include <cstdint>
#include <vector>

namespace capture {

enum class ClientApi { openGl, openGlEs3 };

class OffscreenContext {
 public:
  OffscreenContext(int width, int height, ClientApi api = ClientApi::openGl);
  ~OffscreenContext();
  OffscreenContext(const OffscreenContext&) = delete;
  OffscreenContext& operator=(const OffscreenContext&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }

  // The current colour buffer as RGB bytes, width * height * 3, top row first.
  std::vector<std::uint8_t> readRgb() const;

 private:
  int width_;
  int height_;
  void* display_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace capture
