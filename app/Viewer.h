// The buggy viewer: start-up, frame loop and frame drawing.
#pragma once

// The sky: the clear colour of every frame (red, green, blue).
constexpr double SKYR = 119.0 / 300.0;
constexpr double SKYG = 187.0 / 300.0;
constexpr double SKYB = 0.85;

// Runs the whole program: question, window, GL state, lists, frame loop, tear-down.
// Returns the exit code (always 0).
int VIEWER_MAIN();

// Loads the reflection textures and compiles the model's display lists.
void OPENGL_CREATELIST();

// Draws one frame into the back buffer.
void OPENGL_DRAW();
