// The page's service worker: it keeps the site's files, so that the installed
// page starts without a network. The network is asked first, so a rebuilt
// site shows at once; the kept copy answers when there is no network.
'use strict';

const CACHE = 'qd5sim-site';
const FILES = ['./', 'index.html', 'style.css', 'front.css', 'app.js', 'qd5.js', 'qd5-wasm.js', 'scenario.js', 'front.jpg', 'manifest.webmanifest',
  'icon-128.png', 'icon-256.png', 'icon-maskable-256.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

async function answer(request) {
  const cache = await caches.open(CACHE);
  try {
    const response = await fetch(request);
    if (response.ok) await cache.put(request, response.clone());
    return response;
  } catch (error) {
    // The page's address carries its inputs: any query opens the kept page.
    const kept = await cache.match(request, { ignoreSearch: true });
    if (kept) return kept;
    throw error;
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(answer(event.request));
});
