// GLUT callbacks for the animation and the user's input.
#pragma once

void idle();
void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
