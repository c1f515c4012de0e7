// The Play page names every problem at once: the headline lists all that keeps Play from
// starting, and the disc line always gives the image's own verdict.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, demoImage, gameFilesReady, windowsPath } from './launcher.js';
import { writeIni } from './fixtures/page.js';

const text = (page, name) => page.textContent(`[data-test=${name}]`);

// A PlayStation 2 disc image of another region's release, made by xorriso.
function otherRelease(folder) {
  const tree = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-other-'));
  fs.writeFileSync(path.join(tree, 'SYSTEM.CNF'), 'BOOT2 = cdrom0:\\SLES_123.45;1\r\nVER = 1.00\r\n');
  fs.writeFileSync(path.join(tree, 'SLES_123.45'), 'x');
  const image = path.join(folder, 'Other Release.iso');
  execFileSync('xorriso', ['-outdev', image, '-map', tree, '/'], { stdio: 'ignore' });
  fs.rmSync(tree, { recursive: true, force: true });
  return image;
}

test('no game program, a disc of another release and a restore waiting: all three are named', async () => {
  const launcher = new Launcher({
    page: 'player',
    prepare: (folder) => {
      const image = otherRelease(folder);
      fs.mkdirSync(path.join(folder, 'backups'));
      fs.writeFileSync(path.join(folder, 'backups', 'restore.journal'), 'myr_launcher restore record 2\n');
      // Stored as the player's choice, not forced through the environment.
      writeIni(folder, ['[Game]', `Iso=${windowsPath(image)}`]);
    },
    environment: { MYR_ISO: '' },
  });
  try {
    const page = await launcher.attach();
    const verdict = 'This is SLES-12345. The port runs the USA release, QXUS-40404.';
    assert.equal(await text(page, 'play-disc-badge'), 'Not ready');
    assert.equal(await text(page, 'play-disc-status'),
      `myr.exe is missing. ${verdict} An interrupted restore of your saves waits for your decision.`);
    const hint = await text(page, 'play-disc-hint');
    for (const part of ['next to myr.exe', 'drop the .iso file', 'on the Saves page']) assert.ok(hint.includes(part), hint);
    assert.equal(await text(page, 'play-disc-verdict'), verdict);
    assert.match(await text(page, 'play-disc-path'), /Other Release\.iso \(.+\)$/);
    assert.equal(await page.isDisabled('[data-test=play-start]'), true);
  } finally {
    await launcher.stop();
  }
});

test('a good image is called good while the game program is missing', async () => {
  const launcher = new Launcher({ page: 'player', environment: { MYR_ISO: windowsPath(demoImage) } });
  try {
    const page = await launcher.attach();
    await gameFilesReady(page);
    assert.equal(await text(page, 'play-disc-status'), 'myr.exe is missing.');
    assert.equal(await text(page, 'play-disc-badge'), 'Not ready');
    assert.equal(await text(page, 'play-disc-verdict'), 'Myrrowen (USA), QXUS-40404: this disc image can be used.');
    assert.match(await text(page, 'play-disc-path'), /Myrrowen \(USA\)\.iso \(.+\) — set by MYR_ISO$/);
    assert.equal(await page.isDisabled('[data-test=play-start]'), true);
  } finally {
    await launcher.stop();
  }
});

test('with nothing in the way the headline says so, and the image is called good', async () => {
  const launcher = new Launcher({ page: 'player', game: true, environment: { MYR_ISO: windowsPath(demoImage) } });
  try {
    const page = await launcher.attach();
    await gameFilesReady(page);
    assert.equal(await text(page, 'play-disc-badge'), 'Ready');
    assert.equal(await text(page, 'play-disc-status'), 'The disc image and the game\'s files are in place.');
    assert.equal(await page.isHidden('[data-test=play-disc-hint]'), true);
    assert.equal(await text(page, 'play-disc-verdict'), 'Myrrowen (USA), QXUS-40404: this disc image can be used.');
    assert.equal(await page.isEnabled('[data-test=play-start]'), true);
  } finally {
    await launcher.stop();
  }
});
