// GLUT's idle and redisplay for the page, in step with the browser's animation frames as
// desktop GLUT's are with its event loop: while an idle function is registered, each frame
// calls it once and then draws, so the animation advances one step per frame drawn. Nothing
// runs from a timer, and a hidden tab, which gets no animation frames, advances nothing.
// Emscripten's GLUT instead called idle from a chain of 4 ms timers, several steps a frame,
// and a resume before the chain's next timer started a second chain beside the first.
//
// This file and web/glut_fixes.js replace Emscripten's internals by name, and its releases
// move and rename them: the releases below are those whose names they are written for, and
// what differs between them is said here alone. Another release fails the build.
#if !['3.1.6', '3.1.69'].includes(EMSCRIPTEN_VERSION) && error('web/glut_frames.js: Emscripten ' + EMSCRIPTEN_VERSION + ' is not a release whose internals the page is written for (3.1.6, 3.1.69); say in web/glut_frames.js what it moved or renamed')
#endif
mergeInto(LibraryManager.library, {
  // The runtime's main loop and its animation frames: Browser's in 3.1.6, MainLoop's in 3.1.69.
#if EMSCRIPTEN_VERSION == '3.1.6'
  $GLUTFrames__deps: ['$GLUT', '$Browser'],
#else
  $GLUTFrames__deps: ['$GLUT', '$MainLoop'],
#endif
  $GLUTFrames: {
    frameRequested: false,
    redisplayRequested: false,
#if EMSCRIPTEN_VERSION == '3.1.6'
    requestAnimationFrame: function(callback) { Browser.requestAnimationFrame(callback); },
    runIter: function(callback) { Browser.mainLoop.runIter(callback); },
#else
    requestAnimationFrame: function(callback) { MainLoop.requestAnimationFrame(callback); },
    runIter: function(callback) { MainLoop.runIter(callback); },
#endif

    request: function() {
      if (GLUTFrames.frameRequested) return;
      GLUTFrames.frameRequested = true;
      GLUTFrames.requestAnimationFrame(GLUTFrames.frame);
    },

    frame: function() {
      GLUTFrames.frameRequested = false;
      // runIter and its callUserCallback skip the frame once the program has ended.
      GLUTFrames.runIter(function() {
        if (GLUT.idleFunc) {
          {{{ makeDynCall('v', 'GLUT.idleFunc') }}}();
          // The next frame, whether or not idle asked for a redisplay; pausing removes idle.
          if (GLUT.idleFunc) GLUTFrames.request();
        }
        if (GLUTFrames.redisplayRequested && GLUT.displayFunc) {
          GLUTFrames.redisplayRequested = false;
          {{{ makeDynCall('v', 'GLUT.displayFunc') }}}();
        }
      });
    },
  },

  // The signatures stay Emscripten's own: a function pointer is 'i' in 3.1.6, 'p' in 3.1.69.
  glutIdleFunc__proxy: 'sync',
  glutIdleFunc__deps: ['$GLUTFrames'],
  glutIdleFunc: function(func) {
    GLUT.idleFunc = func;
    if (func) GLUTFrames.request();
  },

  glutPostRedisplay__proxy: 'sync',
  glutPostRedisplay__deps: ['$GLUTFrames'],
  glutPostRedisplay: function() {
    GLUTFrames.redisplayRequested = true;
    GLUTFrames.request();
  },
});
