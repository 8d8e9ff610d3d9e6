#include "shell/demo.h"

#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "shell/timeline.h"

#include <GL/gl.h>

namespace shell {

namespace {

void createParticleSystems() {
  scenes::particles1 = engine::initParticleSystem(200);
  scenes::particles2 = engine::initParticleSystem(200);
  scenes::particles3 = engine::initParticleSystem(200);
  scenes::particles4 = engine::initParticleSystem(600);
  scenes::particles5 = engine::initParticleSystem(2000);
}

void destroyParticleSystems() {
  for (engine::ParticleSystem** system : {&scenes::particles1, &scenes::particles2, &scenes::particles3,
                                          &scenes::particles4, &scenes::particles5}) {
    engine::doneParticleSystem(*system);
    *system = nullptr;
  }
}

}  // namespace

void startDemo() {
  scenes::camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
  createParticleSystems();
  scenes::prepareScenes();
  fillTimeline();
}

void runFrame(std::int32_t clock, void (*present)()) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  scenes::demoClock = clock;
  const std::size_t index = trackIndex(clock);
  startTrack[index]();
  renderTrack[index]();
  present();
  postTrack[index]();
}

void stopDemo() {
  destroyParticleSystems();
  engine::doneCamera(scenes::camera);
  scenes::camera = nullptr;
}

}  // namespace shell
