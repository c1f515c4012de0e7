// The page shows inside the launcher's window and the player's mouse and keys reach it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { Launcher, until } from './launcher.js';

let launcher;
before(async () => {
  launcher = new Launcher();
  await launcher.attach();
});
after(async () => launcher.stop());

test('the window shows what the browser renders', async () => {
  const window = await launcher.window();
  const viewport = await launcher.page.evaluate(() => [innerWidth, innerHeight]);
  assert.deepEqual(viewport, [window.width, window.height]);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-shot-'));
  await launcher.picture(path.join(folder, 'screen.png'));
  fs.rmSync(folder, { recursive: true });
});

test('a click on a button sends its request and the reply comes back', async () => {
  const before = await launcher.page.evaluate(() => window.received.length);
  await launcher.click('#ask');
  const reply = await until(() => launcher.page.evaluate((n) => window.received[n], before), { what: 'the reply' });
  assert.deepEqual(reply, { id: 2, ok: true, result: {} });
});

test('typing reaches the focused field, letters and editing keys', async () => {
  await launcher.click('#field');
  xdotool('type', '--delay', '20', 'Hello, world 42');
  xdotool('key', 'BackSpace', 'BackSpace', 'Home', 'Delete', 'shift+a');
  await until(async () => (await launcher.page.inputValue('#field')) === 'Aello, world ', { timeout: 5000, what: 'the typed text' });
});

function xdotool(...args) {
  execFileSync('xdotool', args, { stdio: 'ignore' });
}
