// The browser build on the real clock with real input: keys and a click
// sent to the page go through the intros and the title into a game and make
// a pick; then frames keep coming and Web Audio keeps pulling the mixer.
// EXIT at the title leaves the page's end text, whose button plays again.
// The end page offers the game just played as a recording and as a link;
// the link holds the recording, and the address tools/web-link makes of it
// plays it as a film with its sound. The recording holds the clock as the
// game read it, so the native replay of it must give the live game's own
// trace, byte for byte, and the film that trace too. Each step waits for the
// game's own trace (QUENZY_TRACE, read from the page's file system), never
// for a time, so a slow machine only takes longer.
//   node tests/web/live.js WEB_BUILD NATIVE_BUILD

'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const url = require('url');
const zlib = require('zlib');

const build = path.resolve(process.argv[2] || 'build-web');
const native = path.resolve(process.argv[3] || 'build');
const root = path.resolve(__dirname, '..', '..');
const puppeteer = require(path.join(build, 'node', 'node_modules', 'puppeteer-core'));
const TRACE = '/tmp/trace.txt';
const FILM_TRACE = '/tmp/film-trace.txt';
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
    await page.waitForFunction(() => !document.getElementById('offer').hidden,
                               {timeout: 0, polling: 200});
    const offered = await page.evaluate(async () => ({
      recording: await (await fetch(document.getElementById('save').href)).text(),
      address: document.getElementById('film-link').href,
    }));
    offered.trace = await trace();
    await Promise.all([page.waitForNavigation(), page.click('#play-again')]);
    await until('title state=0', () => page.keyboard.press('Space'));
    console.log('ok   live: after EXIT the page said "' + text.split('\n')[0] +
                '", and its button started the game again');
    await checkFilm(browser, offered);
  } finally {
    clearTimeout(watchdog);
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

// The program's own replay of `recording` in `dir` (where a user folder
// may wait under home/), as the native tests run it: its trace.
function nativeReplay(recording, dir, args = []) {
  fs.mkdirSync(path.join(dir, 'home'), {recursive: true});
  fs.symlinkSync(path.join(native, 'data'), path.join(dir, 'data'));
  execFileSync(path.join(native, 'quenzy'), args, {
    cwd: dir, stdio: 'ignore',
    env: Object.assign({}, process.env, {
      HOME: path.join(dir, 'home'), SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy',
      QUENZY_REPLAY: recording, QUENZY_TRACE: path.join(dir, 'trace.txt'),
    }),
  });
  return fs.readFileSync(path.join(dir, 'trace.txt'), 'utf8');
}

// The game just played, as a film: from the page's own link and from
// tools/web-link, against the native replay of its recording.
async function checkFilm(browser, offered) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quenzy-web-film-'));
  const film = JSON.parse(zlib.inflateRawSync(
    Buffer.from(offered.address.split('#film=')[1], 'base64url')).toString('utf8'));
  if (film.script !== offered.recording || !/ press /.test(film.script))
    throw new Error('the page\'s link does not hold the recording it offers');
  const recording = path.join(work, 'recording.txt');
  fs.writeFileSync(recording, offered.recording);
  const want = nativeReplay(recording, path.join(work, 'native'));
  // The recording holds the clock and the music as the live game read
  // them, so its replay takes every turn the live game took, at its times.
  if (want !== offered.trace) {
    fs.writeFileSync(path.join(work, 'live-trace.txt'), offered.trace);
    throw new Error('the native replay of the recording is not the live game (kept ' + work + ')');
  }
  if (!/ pick /.test(want)) throw new Error('the live game\'s pick is not in its trace');
  const address = execFileSync(path.join(root, 'tools', 'web-link'), [
    recording, '--base', url.pathToFileURL(path.join(build, 'index.html')).href,
  ]).toString().trim();
  const page = await watchFilm(browser, address);
  const got = await page.evaluate((p) => FS.readFile(p, {encoding: 'utf8'}), FILM_TRACE);
  const heard = await page.evaluate(() => Module.filmAudio ? Module.filmAudio.heard : 0);
  await page.close();
  if (got !== want) {
    fs.writeFileSync(path.join(work, 'film-trace.txt'), got);
    throw new Error('the film\'s trace is not the native replay\'s (kept ' + work + ')');
  }
  if (!heard) throw new Error('the film was not heard (kept ' + work + ')');
  fs.rmSync(work, {recursive: true, force: true});
  console.log('ok   film: the game just played, from its link (' + address.length +
              ' characters), gave the live game\'s trace, the native replay\'s too (' +
              want.split('\n').length + ' lines, the pick among them), and ' + heard +
              ' buffers of sound');
  await checkFilmOptions(browser);
}

// A page that plays the film at `address` to its end, its trace kept.
async function watchFilm(browser, address) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument((trace) => {
    window.quenzyEnv = {QUENZY_TRACE: trace};
  }, FILM_TRACE);
  await page.goto(address);
  await page.waitForFunction(
    () => getComputedStyle(document.getElementById('film-ended')).display !== 'none',
    {timeout: 0, polling: 500});
  return page;
}

// A film carries the game's options and the user files it starts from:
// the title, doubled (-x2), after a start whose saved configuration has
// other volumes, must trace and dump as natively.
async function checkFilmOptions(browser) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quenzy-web-film-'));
  const before = path.join(work, 'before');
  const script = path.join(work, 'script.txt');
  fs.mkdirSync(before);
  fs.writeFileSync(path.join(before, 'quenzy.cfg'), 'mus_volume=35\nsfx_volume=70\n');
  fs.writeFileSync(script, 'after intro\nafter intro\nframe +1 type SPACE\nafter title\n' +
                           'frame +20 dump title\nframe +1 exit\n');
  const dir = path.join(work, 'native');
  fs.mkdirSync(path.join(dir, 'home'), {recursive: true});
  fs.cpSync(before, path.join(dir, 'home', '.quenzy'), {recursive: true});
  const want = nativeReplay(script, dir, ['-x2']);
  const address = execFileSync(path.join(root, 'tools', 'web-link'), [
    script, '--home', before, '--base', url.pathToFileURL(path.join(build, 'index.html')).href,
    '--', '-x2',
  ]).toString().trim();
  const page = await watchFilm(browser, address);
  const got = await page.evaluate((p) => FS.readFile(p, {encoding: 'utf8'}), FILM_TRACE);
  const dump = Buffer.from(await page.evaluate(
    () => Array.from(FS.readFile('/film/title.bmp'))));
  await page.close();
  if (!/ config mus_volume=35 sfx_volume=70 /.test(want))
    throw new Error('the native replay did not read the configuration (kept ' + work + ')');
  if (got !== want || !dump.equals(fs.readFileSync(path.join(dir, 'title.bmp')))) {
    fs.writeFileSync(path.join(work, 'film-trace.txt'), got);
    fs.writeFileSync(path.join(work, 'film-title.bmp'), dump);
    throw new Error('the film with options and a user folder is not the native replay (kept ' +
                    work + ')');
  }
  fs.rmSync(work, {recursive: true, force: true});
  console.log('ok   film: with -x2 and a saved configuration in its link, the same trace and ' +
              'picture (' + dump.length + ' bytes) as natively');
}

main().catch((e) => {
  console.log('FAIL live: ' + (e && e.stack || e));
  process.exitCode = 1;
});
