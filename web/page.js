// The page's controller: the buttons, full screen, the status line and the console, offline
// after one visit, and the program started where the browser offers WebGL.
(function () {
  var page = document.body;
  var status = document.getElementById("status");
  var consoleArea = document.getElementById("console");
  var buttons = document.querySelectorAll("button[data-key]");
  var fullScreen = document.getElementById("full-screen");

  // The canvas's own context menu would cover the galaxy at a right-click or a long press.
  document.getElementById("canvas").addEventListener("contextmenu", function (event) {
    event.preventDefault();
  });

  // Offline after one visit. When a new build's worker takes over from an old one, the
  // page reloads once, so that it runs the new build.
  if ("serviceWorker" in navigator) {
    var updating = !!navigator.serviceWorker.controller;
    navigator.serviceWorker.addEventListener("controllerchange", function () {
      if (updating) location.reload();
    });
    navigator.serviceWorker.register("service_worker.js").catch(function (error) {
      console.warn("Spirelle will not work offline: " + error);
    });
  }

  function running() {
    return !!(window.Module && Module.pressKey) && !page.classList.contains("ended") &&
        !page.classList.contains("lost");
  }

  // A tap or click is one key press; held, a zoom or rate button repeats as a held key
  // does, after half a second, about 30 times a second, until it is let go or left.
  buttons.forEach(function (button) {
    var key = Number(button.dataset.key);
    var delay = null, repeat = null;
    function stop() {
      clearTimeout(delay);
      clearInterval(repeat);
      delay = repeat = null;
    }
    function press() {
      if (running()) Module.pressKey(key); else stop();
    }
    button.addEventListener("pointerdown", function (event) {
      if (event.button !== 0) return;
      event.preventDefault();
      stop();
      press();
      if (button.hasAttribute("data-repeat")) {
        delay = setTimeout(function () { repeat = setInterval(press, 33); }, 500);
      }
    });
    ["pointerup", "pointercancel", "pointerleave"].forEach(function (type) {
      button.addEventListener(type, stop);
    });
    // Enter or Space on a focused button: a click with no pointer behind it.
    button.addEventListener("click", function (event) {
      if (event.detail === 0) press();
    });
    button.addEventListener("contextmenu", function (event) { event.preventDefault(); });
  });

  // The whole screen for the canvas, where the browser lets a page have it (not an iPhone's).
  if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
    fullScreen.addEventListener("click", function () {
      if (running()) Module.fullScreen();
    });
  } else {
    fullScreen.hidden = true;
  }

  function stopped(className, text) {
    page.classList.add(className);
    status.textContent = text;
    buttons.forEach(function (button) { button.disabled = true; });
    fullScreen.disabled = true;
  }

  // The program's standard output: its OpenGL error lines.
  function print(text) {
    console.log(text);
    consoleArea.textContent += text + "\n";
    consoleArea.scrollTop = consoleArea.scrollHeight;
  }

  function noWebGL() {
    stopped("no-webgl", "Spirelle needs WebGL to draw its galaxy, and this browser has " +
        "it turned off or does not offer it. Turn on WebGL (or hardware acceleration) " +
        "in the browser's settings, then reload the page.");
  }

  // A browser that knows WebGL may still refuse a context: the program's own window then
  // calls noWebGL. No context is made here only to ask.
  if (!window.WebGLRenderingContext) {
    noWebGL();
    return;
  }

  window.Module = {
    canvas: document.getElementById("canvas"),
    noWebGL: noWebGL,
    print: print,
    printErr: function (text) { console.warn(text); },
    onExit: function (code) {
      page.dataset.exitStatus = String(code);
      stopped("ended", "Spirelle has ended (Escape or Quit ends it, with status " + code +
          "). Reload the page to start it again.");
    },
  };
  // The browser may take the context back (a GPU reset, too many pages with WebGL, a phone
  // putting the page in the background), and usually gives it back: the program then
  // draws again where it was.
  Module.canvas.addEventListener("webglcontextlost", function () {
    stopped("lost", "The browser took back Spirelle's WebGL context, so the galaxy cannot " +
        "be drawn until the browser gives it back. If it does not come back, reload the page.");
  });
  Module.canvas.addEventListener("webglcontextrestored", function () {
    page.classList.remove("lost");
    status.textContent = "";
    buttons.forEach(function (button) { button.disabled = false; });
    fullScreen.disabled = false;
  });
  var program = document.createElement("script");
  program.src = "spirelle.js";
  program.onerror = function () {
    status.textContent = "spirelle.js could not be loaded.";
  };
  document.body.appendChild(program);
})();
