// The start-up peer that draws: Debian's Chromium, without Wine, started with the launcher's
// arguments over its DevTools pipe, until the first screencast frame of a page with one button
// arrives. Prints when its page is listed, when that page's renderer first answers, and when the
// frame arrives, in milliseconds from the browser's start.
// Usage (bench/chromium.sh runs it, with the profile the Chromium of its own start keeps):
//   node bench/first_frame_peer.mjs <browser argument>...
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-first-frame-'));
const page = path.join(folder, 'page.html');
fs.writeFileSync(page, '<!doctype html><body style="background:#345"><button>Play</button></body>');
const browserArguments = process.argv.slice(2);
if (process.getuid?.() === 0) browserArguments.push('--no-sandbox');
const start = performance.now();
const browser = spawn('/usr/lib/chromium/chromium', browserArguments, { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });

const waiting = new Map();
let onEvent = () => {};
let nextId = 1;
let received = Buffer.alloc(0);
browser.stdio[4].on('data', (chunk) => {
  received = Buffer.concat([received, chunk]);
  for (let end = received.indexOf(0); end >= 0; end = received.indexOf(0)) {
    const message = JSON.parse(received.subarray(0, end).toString('utf8'));
    received = received.subarray(end + 1);
    if (message.id) {
      waiting.get(message.id)?.(message);
      waiting.delete(message.id);
    } else {
      onEvent(message);
    }
  }
});
const call = (method, params = {}, sessionId) => new Promise((resolve) => {
  const id = nextId++;
  waiting.set(id, resolve);
  browser.stdio[3].write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + '\0');
});
const since = () => (performance.now() - start).toFixed(0);

let targets = [];
while (!targets.some((t) => t.type === 'page')) ({ result: { targetInfos: targets } } = await call('Target.getTargets'));
const listed = since();
const { result: { sessionId } } = await call('Target.attachToTarget', { targetId: targets.find((t) => t.type === 'page').targetId, flatten: true });
await call('Page.enable', {}, sessionId);
const answered = since();
const frame = new Promise((resolve) => { onEvent = (m) => { if (m.method === 'Page.screencastFrame') resolve(); }; });
await call('Page.startScreencast', { format: 'png' }, sessionId);
await call('Page.navigate', { url: `file://${page}` }, sessionId);
await frame;
console.log(`Chromium alone: page listed ${listed} ms, its renderer answers ${answered} ms, first frame of a one-button page ${since()} ms`);
const ended = new Promise((resolve) => browser.on('exit', resolve));
browser.stdio[3].write(JSON.stringify({ id: nextId++, method: 'Browser.close' }) + '\0');
await ended;
fs.rmSync(folder, { recursive: true, force: true });
