// The start-up peer that draws: Debian's Chromium, without Wine, started with the launcher's
// arguments over its DevTools pipe, until the first screencast frame of a page with one button
// arrives. Prints when its page is listed, when that page's renderer first answers, and when the
// frame arrives, in milliseconds from the browser's start.
// Usage (bench/chromium.sh runs it, with the profile the Chromium of its own start keeps):
//   node bench/first_frame_peer.mjs <browser argument>...
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startChromium } from './chromium_pipe.mjs';

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-first-frame-'));
const page = path.join(folder, 'page.html');
fs.writeFileSync(page, '<!doctype html><body style="background:#345"><button>Play</button></body>');
const start = performance.now();
const { call, onEvent, close } = startChromium(process.argv.slice(2));
const since = () => (performance.now() - start).toFixed(0);

let targets = [];
while (!targets.some((t) => t.type === 'page')) ({ result: { targetInfos: targets } } = await call('Target.getTargets'));
const listed = since();
const { result: { sessionId } } = await call('Target.attachToTarget', { targetId: targets.find((t) => t.type === 'page').targetId, flatten: true });
await call('Page.enable', {}, sessionId);
const answered = since();
const frame = new Promise((resolve) => onEvent((m) => { if (m.method === 'Page.screencastFrame') resolve(); }));
await call('Page.startScreencast', { format: 'png' }, sessionId);
await call('Page.navigate', { url: `file://${page}` }, sessionId);
await frame;
console.log(`Chromium alone: page listed ${listed} ms, its renderer answers ${answered} ms, first frame of a one-button page ${since()} ms`);
await close();
fs.rmSync(folder, { recursive: true, force: true });
