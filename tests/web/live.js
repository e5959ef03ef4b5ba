// The browser build on the real clock with real input: keys and a click
// sent to the page go through the intros and the title into a game and make
// a pick; then frames keep coming and Web Audio keeps pulling the mixer.
// EXIT at the title leaves the page's end text, whose button plays again.
// Each step waits for the game's own trace (QUENZY_TRACE, read from the
// page's file system), never for a time, so a slow machine only takes
// longer.
//   node tests/web/live.js WEB_BUILD

'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const url = require('url');

const build = path.resolve(process.argv[2] || 'build-web');
const puppeteer = require(path.join(build, 'node', 'node_modules', 'puppeteer-core'));
const TRACE = '/tmp/trace.txt';
// Only against a hang: the steps themselves take no time limit.
const GIVE_UP_MS = 10 * 60 * 1000;

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quenzy-web-live-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
           '--autoplay-policy=no-user-gesture-required', '--mute-audio',
           '--user-data-dir=' + profile],
  });
  const watchdog = setTimeout(() => {
    console.log('FAIL live: no progress in ' + GIVE_UP_MS / 1000 + ' s');
    process.exit(1);
  }, GIVE_UP_MS);
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 960, height: 720});
    page.on('pageerror', (e) => console.error('page: ' + e.message));
    await page.evaluateOnNewDocument((trace) => {
      window.quenzyEnv = {QUENZY_TRACE: trace};
    }, TRACE);
    await page.goto(url.pathToFileURL(path.join(build, 'index.html')).href);
    // Counts the frames the driver puts on the canvas.
    await page.evaluate(() => {
      window.quenzyFrames = 0;
      const shown = Module.onFrame;
      Module.onFrame = () => { window.quenzyFrames++; shown(); };
    });
    const trace = () => page.evaluate((p) => {
      try { return FS.readFile(p, {encoding: 'utf8'}); } catch (e) { return ''; }
    }, TRACE);
    const has = async (event) => (await trace()).includes(' ' + event);
    // Repeats `act` until the trace shows `event`.
    async function until(event, act) {
      while (!(await has(event))) {
        await act();
        await pause(300);
      }
    }
    await until('title state=0', () => page.keyboard.press('Space'));
    await until('title state=1', () => page.keyboard.press('Enter'));
    await until('play ', () => page.keyboard.press('Enter'));
    await until('attempt ', () => page.keyboard.press('Space'));
    // The fruit at column 1 of the bottom row, in page pixels.
    const box = await (await page.$('#screen')).boundingBox();
    const x = box.x + (40 + 0.5) * box.width / 320, y = box.y + (216 + 0.5) * box.height / 240;
    await until('pick ', () => page.mouse.click(x, y));
    const count = () => page.evaluate(() => [window.quenzyFrames, Module.webAudio.pulls]);
    const [frames, pulls] = await count();
    let now = [frames, pulls];
    while (now[0] < frames + 60 || now[1] < pulls + 10) {
      await pause(200);
      now = await count();
    }
    console.log('ok   live: keys and a click made a pick; ' + (now[0] - frames) +
                ' frames and ' + (now[1] - pulls) + ' audio buffers after it');

    // EXIT from the pause menu, then EXIT at the title: the page says the
    // game has ended, and its button starts it again. Each key once, after
    // the screen that takes it is up (a repeated key would move on).
    const times = async (event) => (await trace()).split(' ' + event).length - 1;
    async function waitFor(event, count) {
      while ((await times(event)) < count) await pause(200);
    }
    async function waitFrames(n) {
      const from = (await count())[0];
      while ((await count())[0] < from + n) await pause(100);
    }
    const titles = await times('title state=0');
    await page.keyboard.press('Enter');
    await waitFor('pause ', 1);
    await waitFrames(10);
    await page.keyboard.press('ArrowUp');
    await waitFrames(10);
    await page.keyboard.press('ControlLeft');
    await waitFor('title state=0', titles + 1);
    await waitFrames(10);
    await page.keyboard.press('ArrowUp');
    await waitFor('title state=5', 1);
    await waitFrames(10);
    await page.keyboard.press('ControlLeft');
    const ended = () => page.evaluate(() => {
      const box = document.getElementById('ended');
      return getComputedStyle(box).display !== 'none' ? box.innerText : '';
    });
    while (!(await ended())) await pause(200);
    const text = await ended();
    if (!/has ended/.test(text)) throw new Error('the end text: ' + text);
    await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
    await until('title state=0', () => page.keyboard.press('Space'));
    console.log('ok   live: after EXIT the page said "' + text.split('\n')[0] +
                '", and its button started the game again');
  } finally {
    clearTimeout(watchdog);
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

main().catch((e) => {
  console.log('FAIL live: ' + (e && e.stack || e));
  process.exitCode = 1;
});
