// Firefox for the page's tests (instruments/browser.py): Debian's firefox-esr, driven by
// puppeteer-core over WebDriver BiDi, since no geckodriver can be had here. The tests send one
// JSON request a line on standard input and read one JSON answer a line: {"value": ...} or
// {"error": "..."}.
//   {"op": "goto", "url": U}                   load U and wait for it
//   {"op": "evaluate", "script": S}            the value of the expression S (awaited)
//   {"op": "keys", "keys": [K, ...]}           press and release each key (puppeteer's names)
//   {"op": "drag", "points": [[x, y], ...]}    left button down at the first point, moved
//                                              through the others, up at the last (page pixels)
//   {"op": "screenshot", "selector": S}        the element's picture, PNG in base64
//   {"op": "click", "selector": S}             a left click on the element
//   {"op": "reload"}                           load the page again and wait for it
//   {"op": "hide", "seconds": T}               a new tab over the page for T seconds, closed
//   {"op": "preload", "script": S}             run S in every page loaded from now on, first
// Usage: node firefox_bridge.mjs PUPPETEER_CORE_DIR FIREFOX webgl|no-webgl
//        (DISPLAY set to the private X server)
import { createRequire } from "node:module";
import readline from "node:readline";

const [puppeteerDir, firefox, webgl] = process.argv.slice(2);
const puppeteer = createRequire(puppeteerDir + "/")("puppeteer-core");
// Headless Firefox has no WebGL without a GPU; on the private X server it draws with Mesa.
const browser = await puppeteer.launch({
  browser: "firefox", executablePath: firefox, headless: false,
  defaultViewport: { width: 1100, height: 800 },
  extraPrefsFirefox: webgl === "no-webgl" ? { "webgl.disabled": true }
    : { "webgl.force-enabled": true },
});
const page = (await browser.pages())[0] || (await browser.newPage());

const ops = {
  goto: async ({ url }) => { await page.goto(url); },
  evaluate: async ({ script }) => page.evaluate(script),
  keys: async ({ keys }) => { for (const key of keys) await page.keyboard.press(key); },
  drag: async ({ points }) => {
    await page.mouse.move(...points[0]);
    await page.mouse.down();
    for (const point of points.slice(1)) await page.mouse.move(...point);
    await page.mouse.up();
  },
  screenshot: async ({ selector }) =>
    (await page.$(selector)).screenshot({ encoding: "base64" }),
  click: async ({ selector }) => { await page.click(selector); },
  reload: async () => { await page.reload(); },
  preload: async ({ script }) => { await page.evaluateOnNewDocument(script); },
  hide: async ({ seconds }) => {
    const other = await browser.newPage();
    await new Promise((done) => setTimeout(done, seconds * 1000));
    await other.close();
    await page.bringToFront();
  },
};

const lines = readline.createInterface({ input: process.stdin });
for await (const line of lines) {
  const request = JSON.parse(line);
  let answer;
  try {
    answer = { value: (await ops[request.op](request)) ?? null };
  } catch (error) {
    answer = { error: String(error && error.stack || error) };
  }
  process.stdout.write(JSON.stringify(answer) + "\n");
}
await browser.close();
