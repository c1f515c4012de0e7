// Disc images the launcher refuses, and a preparation of the game's files that fails and is
// tried again once the image is good.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, test } from 'node:test';
import { demoImage, playerPageForTests, until } from './launcher.js';

const fixtures = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-discs-'));

// An ISO 9660 image of the files given (name → text), made by xorriso.
function makeImage(name, files) {
  const tree = fs.mkdtempSync(path.join(fixtures, 'tree-'));
  for (const [file, text] of Object.entries(files)) fs.writeFileSync(path.join(tree, file), text);
  const image = path.join(fixtures, name);
  execFileSync('xorriso', ['-outdev', image, '-map', tree, '/'], { stdio: 'ignore' });
  return image;
}

// A copy of the demo image with some bytes of one game file turned over, so its digest fails.
function damagedCopy(target) {
  fs.copyFileSync(demoImage, target);
  const report = execFileSync('xorriso', ['-indev', demoImage, '-find', '/MODPAK.BIN', '-exec', 'report_lba'],
    { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  const startLba = Number(/File data lba:\s*\d+\s*,\s*(\d+)/.exec(report)[1]);
  const handle = fs.openSync(target, 'r+');
  const bytes = Buffer.alloc(16);
  fs.readSync(handle, bytes, 0, 16, startLba * 2048 + 1000);
  for (let i = 0; i < bytes.length; i += 1) bytes[i] ^= 0xff;
  fs.writeSync(handle, bytes, 0, 16, startLba * 2048 + 1000);
  fs.closeSync(handle);
}

const session = playerPageForTests({ game: true, environment: { MYR_ISO: '' } });
after(() => fs.rmSync(fixtures, { recursive: true, force: true }));

const text = (selector) => session.page.textContent(`[data-test=${selector}]`);

test('dropped files that are not the game\'s disc are refused in words and change nothing', async () => {
  const { launcher, page } = session;
  const cases = [
    { file: makeImage('Other Game.iso', { 'SYSTEM.CNF': 'BOOT2 = cdrom0:\\SLUS_123.45;1\r\nVER = 1.00\r\n', 'SLUS_123.45': 'x' }),
      says: /^Other Game\.iso: This is SLUS-12345, not the USA release \(QXUS-40404\) the port runs\.$/ },
    { file: makeImage('Holiday Photos.iso', { 'README.TXT': 'pictures' }),
      says: /^Holiday Photos\.iso: No SYSTEM\.CNF: not a PlayStation 2 disc\.$/ },
    { file: (() => { const f = path.join(fixtures, 'notes.txt'); fs.writeFileSync(f, 'notes'); return f; })(),
      says: /^notes\.txt: Drop a \.iso disc image here\.$/ },
  ];
  for (const { file, says } of cases) {
    await launcher.dropFile(file);
    await until(async () => says.test(await text('play-drop-result')), { what: `the refusal of ${path.basename(file)}` });
    assert.equal(await page.getAttribute('[data-test=play-drop-result]', 'data-accepted'), 'false');
    assert.equal(await text('play-disc-status'), 'No disc image chosen.');
  }
});

test('a failed preparation shows its error, and Try again succeeds once the image is good', async () => {
  const { launcher, page } = session;
  const image = path.join(fixtures, 'Myrrowen.iso');
  damagedCopy(image);
  await launcher.dropFile(image);
  await until(() => page.isVisible('[data-test=play-extract-error]'), { timeout: 60000, what: 'the preparation to fail' });
  assert.notEqual((await text('play-extract-error')).trim(), '');
  assert.equal(await text('play-disc-badge'), 'Not ready');
  assert.equal(await page.isDisabled('[data-test=play-start]'), true);

  fs.copyFileSync(demoImage, image);
  await page.click('[data-test=play-retry]');
  await until(async () => (await text('play-disc-badge')) === 'Ready', { timeout: 60000, what: 'the second preparation' });
  assert.equal(await page.isHidden('[data-test=play-extract-error]'), true);
  assert.equal(await page.isEnabled('[data-test=play-start]'), true);
});
