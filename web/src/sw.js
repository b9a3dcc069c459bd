// Keeps the playground working offline: on install it stores the page's files, and it
// answers every request for them from that store first. A new build has a new version, so
// its files replace the old ones.
const VERSION = '__VERSION__';
const FILES = __FILES__;

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(VERSION).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (e) => {
  e.waitUntil(
    caches
      .keys()
      .then((keys) => Promise.all(keys.filter((k) => k !== VERSION).map((k) => caches.delete(k))))
      .then(() => self.clients.claim())
  );
});

// The page's files come with the two headers that make the page cross-origin isolated, so
// that a run's worker may wait for typed input on memory it shares with the page. The page
// loads nothing from elsewhere, so the isolation costs it nothing.
function izolovana(odpoved) {
  const hlavicky = new Headers(odpoved.headers);
  hlavicky.set('Cross-Origin-Opener-Policy', 'same-origin');
  hlavicky.set('Cross-Origin-Embedder-Policy', 'require-corp');
  return new Response(odpoved.body, {
    status: odpoved.status,
    statusText: odpoved.statusText,
    headers: hlavicky,
  });
}

self.addEventListener('fetch', (e) => {
  const url = new URL(e.request.url);
  if (e.request.method !== 'GET' || url.origin !== self.location.origin) return;
  e.respondWith(
    caches
      .open(VERSION)
      .then((c) => c.match(e.request, { ignoreSearch: true }))
      .then((hit) => hit || fetch(e.request))
      .then(izolovana)
  );
});
