// GLUT callbacks that keep the projection in step with the window and draw each frame.
#pragma once

void reshape(int width, int height);
void display();
