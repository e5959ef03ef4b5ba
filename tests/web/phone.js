// The browser build on a phone: Chromium's emulation of a touch phone,
// the page served on 127.0.0.1. The START and ACTION buttons stand under
// the picture; taps on them go through the intros and the title into a
// game, and a tap on the board makes a pick. Then, with the server gone
// and the network off, a reload still starts the game from the page's
// offline copy. Each step waits for the game's own trace, never for a time.
//   node tests/web/phone.js WEB_BUILD

'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const build = path.resolve(process.argv[2] || 'build-web');
const puppeteer = require(path.join(build, 'node', 'node_modules', 'puppeteer-core'));
const TRACE = '/tmp/trace.txt';
const SERVED = {
  '/': 'index.html', '/index.html': 'index.html', '/sw.js': 'sw.js', '/icon.png': 'icon.png',
  '/icon.svg': 'icon.svg', '/manifest.webmanifest': 'manifest.webmanifest',
  '/LICENSE.txt': 'LICENSE.txt', '/NOTICE.txt': 'NOTICE.txt',
};
const TYPES = {'.html': 'text/html', '.txt': 'text/plain', '.js': 'text/javascript', '.png': 'image/png',
               '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json'};
// Only against a hang: the steps themselves take no time limit.
const GIVE_UP_MS = 10 * 60 * 1000;

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function serve() {
  const server = http.createServer((req, res) => {
    const name = SERVED[req.url.split('?')[0]];
    if (!name) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, {'Content-Type': TYPES[path.extname(name)]});
    res.end(fs.readFileSync(path.join(build, name)));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quenzy-web-phone-'));
  const server = await serve();
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
           '--autoplay-policy=no-user-gesture-required', '--mute-audio',
           '--user-data-dir=' + profile],
  });
  const watchdog = setTimeout(() => {
    console.log('FAIL phone: no progress in ' + GIVE_UP_MS / 1000 + ' s');
    process.exit(1);
  }, GIVE_UP_MS);
  try {
    const page = await browser.newPage();
    await page.emulate(puppeteer.KnownDevices['Pixel 5']);
    page.on('pageerror', (e) => console.error('page: ' + e.message));
    await page.evaluateOnNewDocument((trace) => {
      window.quenzyEnv = {QUENZY_TRACE: trace};
    }, TRACE);
    await page.goto('http://127.0.0.1:' + server.address().port + '/');
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

    const screen = await (await page.$('#screen')).boundingBox();
    for (const id of ['#start', '#action']) {
      const b = await (await page.$(id)).boundingBox();
      if (!b || b.y < screen.y + screen.height)
        throw new Error(id + ' is not under the picture: ' + JSON.stringify(b));
    }
    const start = () => page.tap('#start');
    await until('title state=0', start);
    await until('title state=1', start);
    await until('play ', start);
    await until('attempt ', () => page.tap('#action'));
    // The fruit at column 1 of the bottom row, in page pixels.
    const x = screen.x + (40 + 0.5) * screen.width / 320;
    const y = screen.y + (216 + 0.5) * screen.height / 240;
    await until('pick ', () => page.touchscreen.tap(x, y));
    console.log('ok   phone: taps on START, ACTION and the board started a game and made a pick');

    // The worker has kept the page once it controls it.
    await page.evaluate(() => navigator.serviceWorker.ready);
    while (!(await page.evaluate(() => !!navigator.serviceWorker.controller))) await pause(200);
    await new Promise((resolve) => server.close(resolve));
    await page.setOfflineMode(true);
    await page.reload();
    await until('title state=0', start);
    console.log('ok   phone: with the network off, a reload started the game again');
  } finally {
    clearTimeout(watchdog);
    server.close();
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

main().catch((e) => {
  console.log('FAIL phone: ' + (e && e.stack || e));
  process.exitCode = 1;
});
