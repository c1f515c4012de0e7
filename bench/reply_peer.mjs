// The peer of the launcher's 1 MiB reply: Debian's Chromium, without Wine, evaluating the same
// 1 MiB script for a client over its DevTools pipe, with the arguments the launcher starts it with.
// Usage (bench/chromium.sh runs it): node bench/reply_peer.mjs <rounds> <browser argument>...
// Prints the median time from sending Runtime.evaluate to its answer.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [rounds, ...launcherArguments] = process.argv.slice(2);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-reply-peer-'));
const browserArguments = launcherArguments.map((a) => (a.startsWith('--user-data-dir=') ? `--user-data-dir=${profile}` : a));
if (process.getuid?.() === 0) browserArguments.push('--no-sandbox');
const browser = spawn('/usr/lib/chromium/chromium', browserArguments, { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });

const waiting = new Map();
let nextId = 1;
let received = Buffer.alloc(0);
browser.stdio[4].on('data', (chunk) => {
  received = Buffer.concat([received, chunk]);
  for (let end = received.indexOf(0); end >= 0; end = received.indexOf(0)) {
    const message = JSON.parse(received.subarray(0, end).toString('utf8'));
    received = received.subarray(end + 1);
    waiting.get(message.id)?.(message);
    waiting.delete(message.id);
  }
});
const call = (method, params = {}, sessionId) => new Promise((resolve) => {
  const id = nextId++;
  waiting.set(id, resolve);
  browser.stdio[3].write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + '\0');
});

const { result: { targetInfos } } = await call('Target.getTargets');
const page = targetInfos.find((t) => t.type === 'page');
const { result: { sessionId } } = await call('Target.attachToTarget', { targetId: page.targetId, flatten: true });
await call('Runtime.evaluate', { expression: 'window.receive = (data) => data.text.length' }, sessionId);
const script = `window.receive(${JSON.stringify({ text: 'x'.repeat(1024 * 1024) })})`;
const times = [];
for (let round = 0; round < Number(rounds); round++) {
  const start = performance.now();
  const reply = await call('Runtime.evaluate', { expression: script, returnByValue: true }, sessionId);
  times.push(performance.now() - start);
  if (reply.result?.result?.value !== 1024 * 1024) throw new Error(`unexpected answer ${JSON.stringify(reply).slice(0, 200)}`);
}
times.sort((a, b) => a - b);
console.log(`Chromium alone evaluating the same 1 MiB script for a client: median ${times[times.length >> 1].toFixed(1)} ms (${rounds})`);
const ended = new Promise((resolve) => browser.on('exit', resolve));
browser.stdio[3].write(JSON.stringify({ id: nextId++, method: 'Browser.close' }) + '\0');
await ended;
fs.rmSync(profile, { recursive: true, force: true });
