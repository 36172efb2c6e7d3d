// One frame of the viewer.
#include "app/Viewer.h"

#include "lumora/Lumora.h"

void OPENGL_DRAW() {
    glClearColor(119.0f / 300.0f, 187.0f / 300.0f, 0.85f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
