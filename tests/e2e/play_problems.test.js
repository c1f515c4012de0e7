// The Play page names every problem at once: the headline lists all that keeps Play from
// starting, and the disc line always gives the image's own verdict.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, demoImage, gameFilesReady, windowsPath } from './launcher.js';
import { writeIni } from './fixtures/page.js';

const text = (page, name) => page.textContent(`[data-test=${name}]`);

test('no game program, an image that is no disc and a restore waiting: all three are named', async () => {
  let image;
  const launcher = new Launcher({
    page: 'player',
    prepare: (folder) => {
      image = path.join(folder, 'notes.iso');
      fs.writeFileSync(image, 'not a disc image');
      fs.mkdirSync(path.join(folder, 'backups'));
      fs.writeFileSync(path.join(folder, 'backups', 'restore.journal'), 'myr_launcher restore record 2\n');
      // Stored as the player's choice, not forced through the environment.
      writeIni(folder, ['[Game]', `Iso=${windowsPath(image)}`]);
    },
    environment: { MYR_ISO: '' },
  });
  try {
    const page = await launcher.attach();
    const imageError = 'Not an ISO 9660 image with 2048-byte sectors (a .bin/.cue or a compressed image does not work).';
    assert.equal(await text(page, 'play-disc-badge'), 'Not ready');
    assert.equal(await text(page, 'play-disc-status'),
      `myr.exe is missing. ${imageError} An interrupted restore of your saves waits for your decision.`);
    const hint = await text(page, 'play-disc-hint');
    for (const part of ['next to myr.exe', 'drop the .iso file', 'on the Saves page']) assert.ok(hint.includes(part), hint);
    assert.equal(await text(page, 'play-disc-verdict'), imageError);
    assert.match(await text(page, 'play-disc-path'), /notes\.iso \(16 bytes\)$/);
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
