#include "shell/demo.h"

#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "shell/loading_screen.h"
#include "shell/timeline.h"

#include <GL/gl.h>

namespace shell {

void (*presentFrame)() = [] {};
std::string dataDirectory = "data";

std::string dataFile(const std::string& name) { return dataDirectory + "/" + name; }

namespace {

using engine::Texture;
using namespace scenes;

enum class Alpha { none, mask, own };

// One step of the texture loading, in loading order.
struct TextureLoad {
  Texture** global;
  const char* file;
  Alpha alpha;
  const char* maskFile;  // with Alpha::mask
  int components;
  bool mipmaps;
  double progressAfter;  // 0: no progress step after this one
};

const TextureLoad textureLoads[] = {
    {&texText1, "text0.hwl", Alpha::mask, "text1.hwl", 4, false, 0.3},
    {&texText2, "text0.hwl", Alpha::mask, "text2.hwl", 4, false, 0.4},
    {&texText3, "text0.hwl", Alpha::mask, "text3.hwl", 4, false, 0.5},
    {&texFivebox1, "fivebox1.hwl", Alpha::none, nullptr, 3, true, 0},
    {&texFivebox2, "fivebox2.hwl", Alpha::none, nullptr, 3, true, 0},
    {&texFivebox3, "fivebox3.hwl", Alpha::none, nullptr, 3, true, 0.6},
    {&texFlare, "flare.hwl", Alpha::none, nullptr, 3, true, 0},
    {&texFlareBig, "flare_big.hwl", Alpha::none, nullptr, 3, true, 0},
    {&texGlare, "glare.hwl", Alpha::none, nullptr, 3, true, 0.7},
    {&texCircle1, "circle1.hwl", Alpha::none, nullptr, 3, false, 0},
    {&texCloud, "cloud.hwl", Alpha::none, nullptr, 3, true, 0},
    {&texButterfly, "butterfly.hwl", Alpha::mask, "butterfly_alpha.hwl", 4, false, 0},
    {&texButterflyShape, "butterfly_shape.hwl", Alpha::own, nullptr, 4, false, 0.8},
    {&texBackground1, "background1.hwl", Alpha::none, nullptr, 3, false, 0},
    {&texBackground2, "background2.hwl", Alpha::none, nullptr, 3, false, 0},
    {&texBackground3, "background3.hwl", Alpha::none, nullptr, 3, false, 0},
    {&texBackground4, "background4.hwl", Alpha::none, nullptr, 3, false, 0},
    {&texBackground99, "background99.hwl", Alpha::none, nullptr, 3, false, 0.9},
};

// The shutdown order.
Texture** const texturesToFree[] = {
    &texCloud,    &texButterfly, &texButterflyShape, &texText1,       &texText2,       &texText3,
    &texFivebox1, &texFivebox2,  &texFivebox3,       &texCircle1,     &texFlare,       &texFlareBig,
    &texGlare,    &texBackground1, &texBackground2,  &texBackground3, &texBackground4, &texBackground99,
};

// A picture whose alpha comes from a mask (or from its own first channel): loaded opaque, the alpha
// copied in, uploaded again; the mask is freed at once.
Texture* loadWithAlpha(const TextureLoad& load) {
  Texture* texture = engine::initTexture(nullptr, dataFile(load.file), 4, false);
  Texture* mask = load.alpha == Alpha::mask ? engine::initTexture(nullptr, dataFile(load.maskFile), 4, false) : texture;
  engine::setImageAlpha(texture->image, 255);
  engine::copyImageAlpha(texture->image, mask->image);
  engine::uploadTexture(texture);
  if (mask != texture) engine::doneTexture(mask);
  return texture;
}

void loadTextures() {
  for (const TextureLoad& load : textureLoads) {
    *load.global = load.alpha == Alpha::none
                       ? engine::initTexture(nullptr, dataFile(load.file), load.components, load.mipmaps)
                       : loadWithAlpha(load);
    if (load.progressAfter > 0) showProgress(load.progressAfter);
  }
}

void freeTextures() {
  for (Texture** texture : texturesToFree) {
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

void startDemo() {
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
