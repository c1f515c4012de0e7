// The peer of the launcher's 1 MiB reply: Debian's Chromium, without Wine, evaluating the same
// 1 MiB script for a client over its DevTools pipe, with the arguments the launcher starts it with.
// Usage (bench/chromium.sh runs it): node bench/reply_peer.mjs <rounds> <browser argument>...
// Prints the median time from sending Runtime.evaluate to its answer.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startChromium } from './chromium_pipe.mjs';

const [rounds, ...launcherArguments] = process.argv.slice(2);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-reply-peer-'));
const { call, close } = startChromium(
  launcherArguments.map((a) => (a.startsWith('--user-data-dir=') ? `--user-data-dir=${profile}` : a)));

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
await close();
fs.rmSync(profile, { recursive: true, force: true });
