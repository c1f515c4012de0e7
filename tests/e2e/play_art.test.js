// The pictures the launcher serves itself: its icon as the page's /favicon.ico, and the game's art
// on the Play page (a picture of launcher-art, else the figure cut from the disc's art, else none).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';
import { Launcher, demoImage, windowsPath } from './launcher.js';
import { png } from './fixtures/saves.js';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

// What the page gets for a path of its own host: status, type and bytes.
async function fetched(page, address) {
  const answer = await page.evaluate(async (url) => {
    const response = await fetch(url);
    return { status: response.status, type: response.headers.get('content-type'),
      bytes: [...new Uint8Array(await response.arrayBuffer())] };
  }, address);
  return { ...answer, bytes: Buffer.from(answer.bytes) };
}

// The art picture once loaded: its kind, its size, and the alpha of a corner and of the middle
// (only of a picture of the page's own host: the art host's stay unreadable to scripts).
function artShown(page) {
  return page.evaluate(async () => {
    const image = document.querySelector('[data-test=play-art]');
    if (!image.complete || image.hidden || !image.naturalWidth) return null;
    const canvas = Object.assign(document.createElement('canvas'), { width: image.naturalWidth, height: image.naturalHeight });
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const ownHost = new URL(image.src).origin === location.origin;
    const alpha = (x, y) => (ownHost ? context.getImageData(x, y, 1, 1).data[3] : null);
    const box = image.getBoundingClientRect();
    return { kind: document.querySelector('[data-test=play-hero]').dataset.art, src: image.getAttribute('src'),
      width: image.naturalWidth, height: image.naturalHeight, corner: alpha(0, 0),
      middle: alpha(image.naturalWidth >> 1, image.naturalHeight >> 1), shownWidth: box.width, shownHeight: box.height };
  });
}

async function waitForArt(page) {
  await page.locator('[data-test=play-hero][data-art]').waitFor();
  return artShown(page);
}

test('the launcher\'s own icon is the page\'s favicon', async () => {
  const launcher = new Launcher({ page: 'player', environment: { MYR_ISO: '' } });
  const drawn = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'myr-icon-')), 'icon.ico');
  try {
    const page = await launcher.attach();
    const icon = await fetched(page, '/favicon.ico');
    assert.equal(icon.status, 200);
    assert.equal(icon.type, 'image/x-icon');
    // The very file the build draws for the program's icon resource.
    execFileSync('python3', [path.join(root, 'tools/make_icon.py'), drawn]);
    assert.ok(icon.bytes.equals(fs.readFileSync(drawn)), `${icon.bytes.length} bytes served`);
    assert.equal(await page.evaluate(async () => {
      const image = new Image();
      image.src = '/favicon.ico';
      await image.decode();
      return image.naturalWidth > 0;
    }), true, 'the browser reads it as a picture');
  } finally {
    fs.rmSync(path.dirname(drawn), { recursive: true, force: true });
    await launcher.stop();
  }
});

test('the figure cut from the disc\'s art stands on the Play page', async () => {
  const launcher = new Launcher({ page: 'player', game: true, environment: { MYR_ISO: windowsPath(demoImage) } });
  try {
    const page = await launcher.attach();
    const shown = await waitForArt(page);
    assert.equal(shown.kind, 'figure');
    assert.match(shown.src, /^\/game-figure\.png\?/);
    // The 256-pixel picture of the window icons: transparent around the figure, solid in it.
    assert.deepEqual([shown.width, shown.height, shown.corner, shown.middle], [256, 256, 0, 255]);
    assert.ok(shown.shownWidth > 64 && shown.shownHeight > 64, JSON.stringify(shown));
    const figure = await fetched(page, '/game-figure.png');
    assert.equal(figure.type, 'image/png');
    assert.deepEqual([...figure.bytes.subarray(0, 4)], [0x89, 0x50, 0x4e, 0x47]);
  } finally {
    await launcher.stop();
  }
});

test('a picture of launcher-art comes before the figure', async () => {
  const launcher = new Launcher({
    page: 'player', game: true, environment: { MYR_ISO: windowsPath(demoImage) },
    prepare: (folder) => {
      fs.mkdirSync(path.join(folder, 'launcher-art'));
      fs.writeFileSync(path.join(folder, 'launcher-art', 'cover.png'), png(320, 180, [30, 90, 160]));
    },
  });
  try {
    const page = await launcher.attach();
    const shown = await waitForArt(page);
    assert.equal(shown.kind, 'cover');
    assert.equal(shown.src, 'https://art.myr.example/cover.png');
    assert.deepEqual([shown.width, shown.height], [320, 180]);
    const hero = await page.evaluate(() => document.querySelector('[data-test=play-hero]').getBoundingClientRect().width);
    assert.ok(Math.abs(shown.shownWidth - hero) <= 2, `it covers the card: ${shown.shownWidth} of ${hero}`);
  } finally {
    await launcher.stop();
  }
});

test('without art of either kind there is no picture, and none is asked for', async () => {
  const launcher = new Launcher({ page: 'player', game: true, environment: { MYR_ISO: '' } });
  try {
    const page = await launcher.attach();
    assert.equal(await page.isHidden('[data-test=play-art]'), true);
    assert.equal(await page.getAttribute('[data-test=play-art]', 'src'), null);
    assert.equal(await page.evaluate(() => performance.getEntriesByType('resource')
      .some((entry) => /game-figure|art\.myr\.example/.test(entry.name))), false);
    assert.equal((await fetched(page, '/game-figure.png')).status, 404);
  } finally {
    await launcher.stop();
  }
});
