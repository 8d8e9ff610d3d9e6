#include "shell/demo.h"

#include "engine/picture_loader.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "shell/loading_screen.h"
#include "shell/timeline.h"

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

namespace shell {

namespace {

// The host's description with its defaults filled in; kept from startDemo (or useDescription) on.
DemoDescription host{[] {}, "data"};

}  // namespace

void useDescription(const DemoDescription& description) {
  host.presentFrame = description.presentFrame ? description.presentFrame : [] {};
  host.dataDirectory = description.dataDirectory.empty() ? "data" : description.dataDirectory;
}

void presentFrame() { host.presentFrame(); }

std::string dataFile(const std::string& name) { return host.dataDirectory + "/" + name; }

namespace {

using engine::Texture;
using namespace scenes;

// Every file the table loads, in loading order: each row's picture, then its mask if it has one.
std::vector<std::string> filesInLoadingOrder() {
  std::vector<std::string> files;
  for (const TextureRow& row : textureTable) {
    files.push_back(dataFile(row.file));
    if (row.alpha == AlphaSource::mask) files.push_back(dataFile(row.maskFile));
  }
  return files;
}

// The pictures decoded by worker threads, taken in loading order.
class NextPicture {
 public:
  explicit NextPicture(engine::PictureLoader& loader) : loader_(loader) {}
  Texture* upload(const char* file, std::int32_t components, bool mipmaps) {
    return engine::initTexture(nullptr, loader_.take(index_++), dataFile(file), components, mipmaps);
  }

 private:
  engine::PictureLoader& loader_;
  std::size_t index_ = 0;
};

// A picture whose alpha comes from a mask (or from its own first channel): loaded opaque, the alpha
// copied in, uploaded again; the mask is freed at once.
Texture* loadWithAlpha(const TextureRow& row, NextPicture& next) {
  Texture* texture = next.upload(row.file, 4, false);
  Texture* mask = row.alpha == AlphaSource::mask ? next.upload(row.maskFile, 4, false) : texture;
  engine::setImageAlpha(texture->image, 255);
  engine::copyImageAlpha(texture->image, mask->image);
  engine::uploadTexture(texture);
  if (mask != texture) engine::doneTexture(mask);
  return texture;
}

// The uploads and progress steps happen here, in the table's order; the decoding runs ahead of them
// on the other cores.
void loadTextures() {
  engine::PictureLoader loader(filesInLoadingOrder(), engine::PictureLoader::workersForThisMachine());
  NextPicture next(loader);
  for (const TextureRow& row : textureTable) {
    *row.global =
        row.alpha == AlphaSource::none ? next.upload(row.file, row.components, row.mipmaps) : loadWithAlpha(row, next);
    if (row.progressAfter > 0) showProgress(row.progressAfter);
  }
}

void freeTextures() {
  std::array<Texture**, textureCount> shutdownOrder{};
  for (const TextureRow& row : textureTable) shutdownOrder[static_cast<std::size_t>(row.shutdownPlace)] = row.global;
  for (Texture** texture : shutdownOrder) {
    engine::doneTexture(*texture);
    *texture = nullptr;
  }
}

void createParticleSystems() {
  particles1 = engine::initParticleSystem(200);
  particles2 = engine::initParticleSystem(200);
  particles3 = engine::initParticleSystem(200);
  particles4 = engine::initParticleSystem(600);
  particles5 = engine::initParticleSystem(2000);
}

void destroyParticleSystems() {
  for (engine::ParticleSystem** system : {&particles1, &particles2, &particles3, &particles4, &particles5}) {
    engine::doneParticleSystem(*system);
    *system = nullptr;
  }
}

}  // namespace

void startDemo(const DemoDescription& description) {
  useDescription(description);
  initLoadingScreen();
  camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
  createParticleSystems();
  prepareScenes();
  showProgress(0.2);
  loadTextures();
  fillTimeline();
  showProgress(1.0);
  engine::doneTexture(texLoading);
  texLoading = nullptr;
}

void runFrame(std::int32_t (*readClock)()) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  demoClock = readClock();
  const std::size_t index = trackIndex(demoClock);
  startTrack[index]();
  renderTrack[index]();
  presentFrame();
  postTrack[index]();
}

void stopDemo() {
  destroyParticleSystems();
  freeTextures();
  engine::doneCamera(camera);
  camera = nullptr;
}

}  // namespace shell
