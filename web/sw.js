// The page's offline copy: the files of one build, kept under that build's
// own name (web.mk writes it in), so a new build replaces the copy whole.
'use strict';
const CACHE = 'quenzy-@BUILD@';
const FILES = ['index.html', 'manifest.webmanifest', 'icon.png', 'icon.svg', 'LICENSE.txt',
               'NOTICE.txt'];

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(CACHE).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k !== CACHE).map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

// The copy first: it is the build this worker came with. Any page load is
// the one page (a game shared as a link differs only after its '#').
self.addEventListener('fetch', (e) => {
  const wanted = e.request.mode === 'navigate' ? 'index.html' : e.request;
  e.respondWith(caches.open(CACHE)
    .then((c) => c.match(wanted, {ignoreSearch: true}))
    .then((hit) => hit || fetch(e.request)));
});
