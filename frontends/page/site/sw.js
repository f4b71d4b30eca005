// The page's service worker. It keeps the page's files in a cache named by the build
// (a digest of the files, written in at build time by frontends/page/site_build.py),
// so that a page once visited opens without the network and can be installed as an
// app. Every request goes to the server first (the browser's HTTP cache revalidated),
// so that a new build shows at the next visit; only when the server cannot be reached
// does the cache answer. A new build's worker keeps its own files and drops the caches
// of the builds before it.
"use strict";
const build = "@BUILD@";
const files = ["@FILES@"];
const cacheName = `dreieck-${build}`;

self.addEventListener("install", event => {
  event.waitUntil(caches.open(cacheName)
    .then(cache => cache.addAll(files.map(file => new Request(file, { cache: "reload" }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener("activate", event => {
  event.waitUntil(caches.keys()
    .then(names => Promise.all(names.filter(name => name.startsWith("dreieck-") && name !== cacheName)
      .map(name => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener("fetch", event => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== location.origin) return;
  event.respondWith(fetch(request, { cache: "no-cache" }).catch(() =>
    caches.open(cacheName)
      .then(cache => cache.match(request, { ignoreSearch: true }))
      .then(answer => answer || Response.error())));
});
