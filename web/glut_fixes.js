// Where Emscripten's GLUT and runtime behave otherwise than desktop GLUT and a process,
// mended before main runs, and so before glutInit registers its listeners.

// The motion callback is handed the pointer's previous position, so a drag would lag one
// event behind: it gets the new position, as desktop GLUT gives it.
GLUT.onMousemove = function (event) {
  var lastX = Browser.mouseX;
  var lastY = Browser.mouseY;
  Browser.calculateMouseEvent(event);
  if (Browser.mouseX == lastX && Browser.mouseY == lastY) return;
  var callback = GLUT.buttons != 0 ? GLUT.motionFunc
      : event.target == Module["canvas"] ? GLUT.passiveMotionFunc : 0;
  if (callback) {
    event.preventDefault();
    GLUT.saveModifiers(event);
    getWasmTableEntry(callback)(Browser.mouseX, Browser.mouseY);
  }
};

// Escape's exit() ends the runtime by throwing from inside the key handler; the page has
// been told through Module.onExit, so the throw stops here instead of reaching the console.
var glutKeydown = GLUT.onKeydown;
GLUT.onKeydown = function (event) {
  try {
    glutKeydown(event);
  } catch (error) {
    if (!(error instanceof ExitStatus)) throw error;
  }
};

// The program lives until exit(), as a process does: while paused no timer or frame is
// pending, which the runtime would otherwise take for the program's end.
noExitRuntime = true;
