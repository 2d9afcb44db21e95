// Where Emscripten's GLUT and runtime behave otherwise than desktop GLUT and a process,
// mended before main runs, and so before glutInit registers its listeners.

// The mends replace Emscripten's internals by name: another Emscripten may lack them.
[[GLUT, "GLUT", ["onMousemove", "onKeydown", "touchHandler", "saveModifiers"]],
 [Browser, "Browser", ["calculateMouseEvent", "createContext", "setCanvasSize"]]
].forEach(function (entry) {
  entry[2].forEach(function (name) {
    if (typeof entry[0][name] != "function") {
      throw new Error("web/glut_fixes.js: this Emscripten has no " + entry[1] + "." + name +
                      " to mend; the page cannot run as built");
    }
  });
});

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

function fullScreenElement() {
  return document.fullscreenElement || document.webkitFullscreenElement || null;
}

// Where the browser refuses a WebGL context, the page says so, and the program ends here, at
// its window, quietly: without a context there is nothing it can draw.
var createContext = Browser.createContext;
Browser.createContext = function () {
  var context = createContext.apply(Browser, arguments);
  if (!context) {
    Module["noWebGL"]();
    throw "unwind";
  }
  return context;
};

// The canvas's drawing buffer is its size in device pixels, at any pixel ratio and in full
// screen, and GLUT's reshape hears of it as of a resized window: the disc stays round, the
// picture is framed as in the 480 x 240 window, and a star is one pixel of the screen.
function fitCanvas() {
  var canvas = Module["canvas"];
  var box = canvas.getBoundingClientRect();
  var width = Math.round(box.width * window.devicePixelRatio);
  var height = Math.round(box.height * window.devicePixelRatio);
  // A hidden canvas (the program ended, or its context lost) has no size to follow.
  if (!Module.ctx || !width || !height || (width == canvas.width && height == canvas.height)) {
    return;
  }
  Browser.setCanvasSize(width, height, true);
  if (GLUT.reshapeFunc) getWasmTableEntry(GLUT.reshapeFunc)(width, height);
  _glutPostRedisplay();
}
// After main, whose glutMainLoop reshapes to the 480 x 240 it was given; then whenever the
// canvas's layout changes (a resized window, a phone turned, full screen) or the pixel ratio
// does (the browser's zoom, a screen of another density).
addOnPostRun(function () {
  fitCanvas();
  if (window.ResizeObserver) new ResizeObserver(fitCanvas).observe(Module["canvas"]);
});
["fullscreenchange", "webkitfullscreenchange"].forEach(function (type) {
  document.addEventListener(type, fitCanvas);
});
window.addEventListener("resize", fitCanvas);
(function followPixelRatio() {
  var ratio = window.matchMedia && matchMedia("(resolution: " + devicePixelRatio + "dppx)");
  if (ratio && ratio.addEventListener) {
    ratio.addEventListener("change", function () {
      fitCanvas();
      followPixelRatio();
    }, { once: true });
  }
})();

// Pointer positions in the 480 x 240 window's pixels, whatever the drawing buffer's size: a
// drag turns the disc a degree for each CSS pixel of travel over a canvas at its full size,
// and 480 degrees across a canvas that a narrow screen shrinks; in full screen, a degree for
// each CSS pixel. (GLUT's touches arrive here as mouse events.)
Browser.calculateMouseEvent = function (event) {
  var canvas = Module["canvas"];
  var box = canvas.getBoundingClientRect();
  var full = fullScreenElement() === canvas;
  var x = (event.clientX - box.left) * (full ? 1 : GLUT.initWindowWidth / box.width);
  var y = (event.clientY - box.top) * (full ? 1 : GLUT.initWindowHeight / box.height);
  Browser.mouseMovementX = x - Browser.mouseX;
  Browser.mouseMovementY = y - Browser.mouseY;
  Browser.mouseX = x;
  Browser.mouseY = y;
};
Module["fullScreen"] = function () {
  var canvas = Module["canvas"];
  var enter = canvas.requestFullscreen || canvas.webkitRequestFullscreen;
  var entering = enter && enter.call(canvas);
  if (entering && entering.catch) {
    entering.catch(function (error) { console.warn("Full screen was refused: " + error); });
  }
};

// Escape's exit() ends the runtime by throwing from inside the key handler; the page has
// been told through Module.onExit, so the throw stops here instead of reaching the console.
// GLUT would also take Tab, and Enter and Space meant for a focused button of the page, and
// stop the browser acting on them: those stay the browser's (the viewer ignores Tab and Enter).
// In full screen, Escape leaves full screen, as browsers make it do; where the browser passes
// the key on to the page as well, it leaves full screen here too, and does not quit.
var glutKeydown = GLUT.onKeydown;
GLUT.onKeydown = function (event) {
  var onButton = event.target instanceof HTMLButtonElement;
  if (event.keyCode == 9 || (onButton && (event.keyCode == 13 || event.keyCode == 32))) return;
  if (event.keyCode == 27 && fullScreenElement()) {
    (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    return;
  }
  try {
    glutKeydown(event);
  } catch (error) {
    if (!(error instanceof ExitStatus)) throw error;
  }
};

// A finger on the canvas drives GLUT's mouse. The canvas's touch-action already keeps the page
// from scrolling, so a touch event the browser no longer lets anyone cancel is left alone
// (cancelling it anyway only puts a complaint in the console).
var glutTouch = GLUT.touchHandler;
GLUT.touchHandler = function (event) {
  glutTouch(event.cancelable ? event : { type: event.type, target: event.target,
                                        changedTouches: event.changedTouches,
                                        preventDefault: function () {} });
};

// A key press from the page's buttons, through the same GLUT handler as the keyboard's.
Module["pressKey"] = function (keyCode) {
  GLUT.onKeydown({ keyCode: keyCode, preventDefault: function () {} });
};

// The program lives until exit(), as a process does: while paused no timer or frame is
// pending, which the runtime would otherwise take for the program's end.
noExitRuntime = true;
