// GLUT's idle and redisplay for the page, in step with the browser's animation frames as
// desktop GLUT's are with its event loop: while an idle function is registered, each frame
// calls it once and then draws, so the animation advances one step per frame drawn. Nothing
// runs from a timer, and a hidden tab, which gets no animation frames, advances nothing.
// Emscripten's GLUT instead called idle from a chain of 4 ms timers, several steps a frame,
// and a resume before the chain's next timer started a second chain beside the first.
mergeInto(LibraryManager.library, {
  $GLUTFrames__deps: ['$GLUT', '$Browser'],
  $GLUTFrames: {
    frameRequested: false,
    redisplayRequested: false,

    request: function() {
      if (GLUTFrames.frameRequested) return;
      GLUTFrames.frameRequested = true;
      Browser.requestAnimationFrame(GLUTFrames.frame);
    },

    frame: function() {
      GLUTFrames.frameRequested = false;
      // runIter and its callUserCallback skip the frame once the program has ended.
      Browser.mainLoop.runIter(function() {
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

  glutIdleFunc__proxy: 'sync',
  glutIdleFunc__deps: ['$GLUTFrames'],
  glutIdleFunc__sig: 'vi',
  glutIdleFunc: function(func) {
    GLUT.idleFunc = func;
    if (func) GLUTFrames.request();
  },

  glutPostRedisplay__proxy: 'sync',
  glutPostRedisplay__deps: ['$GLUTFrames'],
  glutPostRedisplay__sig: 'v',
  glutPostRedisplay: function() {
    GLUTFrames.redisplayRequested = true;
    GLUTFrames.request();
  },
});
