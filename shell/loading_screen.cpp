#include "shell/loading_screen.h"

#include "scenes/texture_list.h"
#include "scenes/toolkit.h"
#include "shell/demo.h"
#include "shell/settings.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace shell {

engine::Texture* texLoading = nullptr;

namespace {

void drawPicture() {
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texLoading->glName);
  scenes::drawPanel(-1.6, -1.2, 1.6, 1.2, 1, 0);
  glDisable(GL_TEXTURE_2D);
}

void drawBar(float right) {
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  glVertex3f(-1.6f, -0.5f, 0.1f);
  glVertex3f(right, -0.5f, 0.1f);
  glVertex3f(right, -0.4f, 0.1f);
  glVertex3f(-1.6f, -0.4f, 0.1f);
  glEnd();
}

}  // namespace

void initLoadingScreen() {
  glViewport(0, 0, screenWidth, screenHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, static_cast<double>(screenWidth) / static_cast<double>(screenHeight), 0.1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glShadeModel(GL_SMOOTH);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glColor4f(1, 1, 1, 1);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  texLoading = engine::initTexture(nullptr, dataFile(scenes::loadingPicture), 3, false);
}

void showProgress(double fraction) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  const auto right = static_cast<float>(1.6 * (2.0 * fraction - 1.0));
  glTranslatef(0, -0.3f, -4);
  drawPicture();
  drawBar(right);
  presentFrame();
}

}  // namespace shell
