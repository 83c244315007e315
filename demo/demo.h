// Demo content: loading behind the loading screen, and the per-frame part dispatcher.
#pragma once

// Loads every effect, texture, mesh and render target the scenes need.
void loadDemo();

// Draws and presents one frame for the music position `time` in seconds.
void drawFrame(float time);
