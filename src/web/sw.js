// Keeps the page's files so that it starts without the network once visited.
// The cache's name changes with every build of these files (the build fills
// it in), so a new version replaces the old copy as a whole: flindra.js and
// flindra.wasm always come from the same build.
'use strict';

const kCache = '@FLINDRA_CACHE@';
const kFiles = ['./', 'index.html', 'page.js', 'page.css', 'flindra.js', 'flindra.wasm', 'manifest.webmanifest',
                'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
                      .then((names) => Promise.all(names.filter((n) => n !== kCache).map((n) => caches.delete(n))))
                      .then(() => self.clients.claim()));
});

// The page's own files from the copy (the address's settings do not make
// another page); anything else, such as a download, from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(kCache)
                        .then((cache) => cache.match(event.request, {ignoreSearch: true}))
                        .then((kept) => kept || fetch(event.request)));
});
