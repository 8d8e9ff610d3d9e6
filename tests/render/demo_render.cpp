#include "tests/render/demo_render.h"

#include "scenes/demo_state.h"
#include "shell/demo.h"
#include "shell/settings.h"
#include "tools/capture/frame_plan.h"
#include "tools/capture/offscreen_context.h"
#include "tools/capture/png_writer.h"

namespace rendertest {

namespace {

const capture::OffscreenContext* context = nullptr;
capture::PlannedFrame frame{};
std::map<std::int32_t, Frame>* kept = nullptr;

void keepFrame() {
  if (frame.write) (*kept)[frame.clock] = Frame{context->width(), context->height(), context->readRgb()};
}

}  // namespace

std::array<int, 3> Frame::at(int x, int y) const {
  const std::size_t i = (std::size_t(y) * width + x) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void Frame::save(const std::filesystem::path& path) const { capture::writePng(path, width, height, rgb); }

std::map<std::int32_t, Frame> renderDemo(const RenderRequest& request) {
  capture::FrameRequest plan;
  plan.fps = request.fps;
  plan.at = request.clocks;
  std::map<std::int32_t, Frame> frames;
  capture::OffscreenContext offscreen(request.width, request.height);
  context = &offscreen;
  kept = &frames;
  frame = {};  // the loading screen presents frames too; none of them is kept
  shell::screenWidth = request.width;
  shell::screenHeight = request.height;
  scenes::resetRandom();
  shell::startDemo({.presentFrame = keepFrame, .dataDirectory = request.data.string()});
  for (const capture::PlannedFrame& planned : capture::planFrames(plan)) {
    frame = planned;
    shell::runFrame([] { return frame.clock; });
  }
  shell::stopDemo();
  shell::useDescription({});
  context = nullptr;
  kept = nullptr;
  return frames;
}

}  // namespace rendertest
