// The page around the program: the canvas and its scaling, the user folder
// kept in the browser's IndexedDB, the page shown after EXIT (which offers
// the recording of the game just played, as a file and as a link), films
// (a recording in the page's address, played in real time with its
// sound), and the harness through which tools/web-replay plays a replay
// script.
//
// The user folder ($HOME/.quenzy) is an IDBFS mount: it is read from the
// browser's store before the program starts, and written back after each
// rename into it (the game saves a file whole under a temporary name, then
// renames it), so a tab closed after a save loses nothing.

var Module = typeof Module !== 'undefined' ? Module : {};

(function() {
  var canvas = document.getElementById('screen');
  Module['canvas'] = canvas;
  var replay = window.quenzyReplay; // set by tools/web-replay before the page loads
  var userFolder = '/home/web_user/.quenzy';
  var runFolder = '/run';
  // A film: the address's fragment, as tools/web-link or the end page makes it.
  var filmCode = !replay && /^#film=([A-Za-z0-9_-]+)$/.exec(location.hash);
  var filmFolder = '/film';
  // Every live game is recorded, to be offered when it ends.
  var recording = '/tmp/recording.txt';
  // The files of the user folder the game reads at start, and what they
  // held when this game started: a film of it must start from them.
  var USER_FILES = ['quenzy.cfg', 'hiscores.dat', 'savegame.dat'];
  var startFiles = {};

  var pad = document.getElementById('pad');
  var touch = navigator.maxTouchPoints > 0 || matchMedia('(pointer: coarse)').matches;
  if (touch) document.documentElement.classList.add('touch');

  // Whole screen pixels when the window has room for them, else the
  // largest size that fits beside or under the buttons, by the game's own
  // resolution (the canvas holds a doubled frame at half of it).
  function fit() {
    var size = Module.webScreen || [canvas.width, canvas.height];
    var w = size[0], h = size[1], padW = 0, padH = 0;
    if (touch && pad.style.display !== 'none') {
      if (window.innerHeight > window.innerWidth) padH = pad.offsetHeight + 16;
      else padW = pad.offsetWidth + 16;
    }
    var scale = Math.min((window.innerWidth - padW) / w, (window.innerHeight - padH) / h);
    if (scale >= 1) scale = Math.floor(scale);
    canvas.style.width = Math.round(w * scale) + 'px';
    canvas.style.height = Math.round(h * scale) + 'px';
  }
  window.addEventListener('resize', fit);
  // Frame times for tools/web-figures, when it asks for them.
  var frameLog = window.quenzyFrameLog, fitted = null;
  Module['onFrame'] = function() {
    if (frameLog) frameLog.push(performance.now());
    if (Module.webScreen !== fitted) {
      fitted = Module.webScreen;
      fit();
    }
  };
  fit();

  // The buttons press the keys START and ACTION are bound to in the saved
  // configuration, the game's defaults (RETURN, left CTRL) until one is saved.
  var DEFAULT_KEYS = {start: 13, jump: 306};
  function boundKey(name) {
    var text = '';
    try { text = FS.readFile(userFolder + '/quenzy.cfg', {encoding: 'utf8'}); } catch (e) {}
    var m = new RegExp('(^|\\n)k_' + name + '=([0-9]+|[a-z])\\r?\\n').exec(text);
    if (!m) return DEFAULT_KEYS[name];
    return /^[0-9]/.test(m[2]) ? Number(m[2]) : m[2].charCodeAt(0);
  }
  // Each press and release a key event in the video driver's queue.
  function padButton(id, name) {
    var button = document.getElementById(id), held = 0;
    function press(e) {
      e.preventDefault();
      if (held || !Module.webEvents) return;
      held = boundKey(name);
      button.classList.add('held');
      Module.webEvents.push([1, held, 0, 0]);
    }
    function release(e) {
      e.preventDefault();
      if (!held) return;
      Module.webEvents.push([2, held, 0, 0]);
      held = 0;
      button.classList.remove('held');
    }
    button.addEventListener('pointerdown', press);
    ['pointerup', 'pointercancel', 'pointerleave'].forEach(function(type) {
      button.addEventListener(type, release);
    });
    button.addEventListener('contextmenu', function(e) { e.preventDefault(); });
  }
  padButton('start', 'start');
  padButton('action', 'jump');

  // Served, the page keeps itself for offline play (not from a file).
  if (!replay && 'serviceWorker' in navigator && location.protocol !== 'file:')
    navigator.serviceWorker.register('sw.js').catch(function(e) {
      console.error('No offline copy: ' + e);
    });

  function hideNote() {
    var note = document.getElementById('note');
    if (note) note.style.display = 'none';
  }
  ['keydown', 'mousedown', 'pointerdown', 'touchstart'].forEach(function(type) {
    document.addEventListener(type, hideNote, {once: true});
  });

  var syncing = false, again = false, afterSync = [];
  function sync(done) {
    if (done) afterSync.push(done);
    if (syncing) {
      again = true;
      return;
    }
    syncing = true;
    FS.syncfs(false, function(err) {
      if (err) console.error('Saving the user folder failed: ' + err);
      syncing = false;
      if (again) {
        again = false;
        sync();
        return;
      }
      afterSync.splice(0).forEach(function(f) { f(); });
    });
  }

  // Once the stores under way are done; none is started.
  function settled(done) {
    if (syncing) afterSync.push(done);
    else done();
  }

  function mountUserFolder(folder) {
    userFolder = folder;
    FS.mkdirTree(userFolder);
    FS.mount(IDBFS, {}, userFolder);
    Module.addRunDependency('user-folder');
    FS.syncfs(true, function(err) {
      if (err) console.error('Reading the user folder failed: ' + err);
      startFiles = userFiles(userFolder);
      Module.removeRunDependency('user-folder');
    });
    var rename = FS.rename;
    FS.rename = function(from, to) {
      rename.call(FS, from, to);
      if (FS.lookupPath(to).path.indexOf(userFolder + '/') === 0) sync();
    };
  }

  function userFiles(folder) {
    var files = {};
    USER_FILES.forEach(function(name) {
      try { files[name] = toBase64(FS.readFile(folder + '/' + name)); } catch (e) {}
    });
    return files;
  }

  // The address that plays `script` as a film: the film as JSON, deflated,
  // in base64url after '#film=' (what tools/web-link prints).
  function filmAddress(script) {
    var film = JSON.stringify({script: script, args: [], home: startFiles});
    var packed = new Blob([film]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    return new Response(packed).arrayBuffer().then(function(buffer) {
      var code = toBase64(new Uint8Array(buffer)).replace(/\+/g, '-').replace(/\//g, '_')
                                                 .replace(/=+$/, '');
      return location.href.replace(/#.*$/, '') + '#film=' + code;
    });
  }

  function unpackFilm(code) {
    var packed = fromBase64(code.replace(/-/g, '+').replace(/_/g, '/'));
    var film = new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
    return new Response(film).text().then(JSON.parse);
  }

  // A film plays in a folder of its own, from the user files it carries:
  // the player's own stay as they are, and every browser plays the same.
  function prepareFilm(film) {
    FS.mkdirTree(filmFolder + '/home/.quenzy');
    FS.symlink('/data', filmFolder + '/data');
    Object.keys(film.home || {}).forEach(function(name) {
      if (USER_FILES.indexOf(name) >= 0)
        FS.writeFile(filmFolder + '/home/.quenzy/' + name, fromBase64(film.home[name]));
    });
    FS.writeFile(filmFolder + '/script.txt', String(film.script));
    FS.chdir(filmFolder);
    ENV['HOME'] = filmFolder + '/home';
    ENV['QUENZY_REPLAY'] = 'script.txt';
    ENV['QUENZY_REPLAY_REALTIME'] = '1';
    // The runtime takes the command line from here when the run, held up
    // by the film's unpacking, goes on (Module.arguments is read earlier).
    arguments_ = (film.args || []).map(String);
  }

  // The film's sound: each buffer the game mixes, queued on Web Audio just
  // ahead of the clock. Until the browser allows sound (after a key or a
  // click) the buffers go unheard, as a film watched muted.
  var filmAudio = null;
  function hear(samples, freq, channels) {
    if (!filmAudio) {
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return;
      var ctx;
      try { ctx = new Context({sampleRate: freq}); } catch (e) { ctx = new Context(); }
      filmAudio = Module.filmAudio = {ctx: ctx, next: 0, heard: 0};
      var resume = function() { if (ctx.state === 'suspended') ctx.resume(); };
      ['keydown', 'mousedown', 'pointerup', 'touchend'].forEach(function(type) {
        document.addEventListener(type, resume, {capture: true});
      });
      resume();
    }
    var a = filmAudio, n = samples.length / channels;
    if (a.ctx.state !== 'running' || !n) return;
    var buffer = a.ctx.createBuffer(channels, n, freq);
    for (var c = 0; c < channels; c++) {
      var data = buffer.getChannelData(c);
      for (var i = 0; i < n; i++) data[i] = samples[i * channels + c] / 32768;
    }
    var source = a.ctx.createBufferSource();
    source.buffer = buffer;
    source.connect(a.ctx.destination);
    // Late, or drifted too far ahead: start the queue afresh.
    var now = a.ctx.currentTime;
    if (a.next < now + 0.02 || a.next > now + 0.5) a.next = now + 0.1;
    source.start(a.next);
    a.next += n / freq;
    a.heard++;
  }

  // The replay's working folder, as the native tests lay it out: the data
  // beside the script, the dumps, trace and WAV in the folder itself.
  function prepareReplay() {
    FS.mkdirTree(runFolder + '/home');
    FS.symlink('/data', runFolder + '/data');
    Object.keys(replay.files || {}).forEach(function(name) {
      var path = runFolder + '/' + name;
      FS.mkdirTree(path.replace(/\/[^\/]*$/, ''));
      FS.writeFile(path, fromBase64(replay.files[name]));
    });
    FS.writeFile(runFolder + '/script.txt', replay.script);
    // A replay that follows another in the same browser profile finds the
    // user folder the first one left, as after a reload.
    if (replay.persist) mountUserFolder(runFolder + '/home/.quenzy');
    FS.chdir(runFolder);
    ENV['HOME'] = runFolder + '/home';
    ENV['QUENZY_REPLAY'] = 'script.txt';
    ENV['QUENZY_TRACE'] = runFolder + '/trace.txt';
    ENV['QUENZY_DUMP_DIR'] = runFolder;
    ENV['QUENZY_AUDIO_OUT'] = runFolder + '/audio.wav';
    Object.keys(replay.env || {}).forEach(function(k) { ENV[k] = replay.env[k]; });
  }

  function fromBase64(text) {
    var raw = atob(text), bytes = new Uint8Array(raw.length);
    for (var i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  function toBase64(bytes) {
    var parts = [];
    for (var i = 0; i < bytes.length; i += 0x8000)
      parts.push(String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000)));
    return btoa(parts.join(''));
  }

  // Every file the run left in its folder, by path below it.
  function collect(folder, prefix, out) {
    FS.readdir(folder).forEach(function(name) {
      if (name === '.' || name === '..') return;
      var path = folder + '/' + name, st = FS.lstat(path);
      if (FS.isLink(st.mode)) return;
      if (FS.isDir(st.mode)) collect(path, prefix + name + '/', out);
      else out[prefix + name] = FS.readFile(path);
    });
    return out;
  }

  // The same paths with each file's SHA-256 in hex, for runs whose files
  // are too big to leave the page (the whole game's WAV: hundreds of MB).
  function digests(files) {
    var names = Object.keys(files);
    return Promise.all(names.map(function(name) {
      return crypto.subtle.digest('SHA-256', files[name]);
    })).then(function(sums) {
      var out = {};
      sums.forEach(function(sum, i) {
        out[names[i]] = Array.from(new Uint8Array(sum), function(b) {
          return (b + 0x100).toString(16).slice(1);
        }).join('');
      });
      return out;
    });
  }

  function finishReplay(status) {
    var files = {};
    try { collect(runFolder, '', files); } catch (e) { console.error(e); }
    if (!replay.digests) {
      Object.keys(files).forEach(function(name) { files[name] = toBase64(files[name]); });
      window.quenzyResult = {status: status, files: files};
      return;
    }
    digests(files).then(function(sums) {
      // The trace too, to show where two runs part.
      var trace = files['trace.txt'];
      window.quenzyResult = {status: status, sums: sums,
                             files: trace ? {'trace.txt': toBase64(trace)} : {}};
    }, function(e) {
      console.error('No digests: ' + e);
      window.quenzyResult = {status: 134, files: {}};
    });
  }

  function showEnd() {
    canvas.style.display = 'none';
    pad.style.display = 'none';
    document.getElementById(filmCode ? 'film-ended' : 'ended').style.display = 'block';
    hideNote();
    if (!filmCode) offerRecording();
  }

  // The game just played, as the recording file and as a film's address.
  function offerRecording() {
    var script;
    try { script = FS.readFile(recording, {encoding: 'utf8'}); } catch (e) { return; }
    var save = document.getElementById('save');
    save.href = URL.createObjectURL(new Blob([script], {type: 'text/plain'}));
    filmAddress(script).then(function(address) {
      document.getElementById('film-link').href = address;
      // The clipboard is only there for secure pages (https, this machine).
      var copy = document.getElementById('copy');
      if (navigator.clipboard) copy.onclick = function() { navigator.clipboard.writeText(address); };
      else copy.hidden = true;
      document.getElementById('offer').hidden = false;
    }, function(e) { console.error('No link for this game: ' + e); });
  }

  // Settings for a live run or a film (the tests' trace), set before the
  // page loads.
  function testEnv() {
    var env = window.quenzyEnv || {};
    Object.keys(env).forEach(function(k) { ENV[k] = env[k]; });
  }

  function startFilm() {
    Module['hear'] = hear;
    Module.addRunDependency('film');
    unpackFilm(filmCode[1]).then(function(film) {
      prepareFilm(film);
      testEnv();
      Module.removeRunDependency('film');
    }, function(e) {
      console.error('This address holds no film: ' + e);
      document.getElementById('note').textContent = 'This address holds no film that can be played.';
    });
  }

  // Another film pasted into the address is a new page.
  window.addEventListener('hashchange', function() { location.reload(); });

  Module['arguments'] = replay ? (replay.args || []) : [];
  // After the data's own step, which comes first in the page.
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function() {
    if (replay) {
      prepareReplay();
    } else if (filmCode) {
      startFilm();
    } else {
      mountUserFolder(userFolder);
      ENV['QUENZY_RECORD'] = recording;
      testEnv();
    }
  });
  Module['print'] = function(text) { console.log(text); };
  Module['printErr'] = function(text) { console.error(text); };
  Module['onExit'] = function(status) {
    // What a replay that follows saved is already in the store after each
    // rename; no last store here, so one the game missed shows as a
    // difference in the next run.
    if (replay && replay.persist) settled(function() { finishReplay(status); });
    else if (replay) finishReplay(status);
    else sync(showEnd);
  };
  Module['onAbort'] = function(what) {
    console.error('The game stopped: ' + what);
    if (replay) finishReplay(134);
    else showEnd();
  };
})();
