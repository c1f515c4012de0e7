// The Saves section against the real launcher: what it lists, and what backing up, restoring,
// formatting and swapping leave on disk.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, demoImage, gameFilesReady, until, windowsPath } from './launcher.js';
import { openSection } from './fixtures/page.js';
import {
  CARD_BYTES, png, saveDataPath, systemSave, writeBlankCard, writePortSave, writeState,
} from './fixtures/saves.js';

const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

async function openSaves(page) {
  await openSection(page, 'saves');
  await page.locator('#section-saves[data-loaded="true"]').waitFor();
}

async function statusMatches(page, pattern, what) {
  await until(async () => pattern.test(await page.innerText('[data-test="saves-status"]')), { what });
}

async function confirm(page) {
  await page.click('[data-test="confirm-dialog"] [data-test="confirm-ok"]');
}

function setFolders(folder) {
  const backups = path.join(folder, 'backups');
  return fs.existsSync(backups) ? fs.readdirSync(backups).sort() : [];
}

// Each manifest line: the digest, two blanks, the path below the game folder.
function manifestOf(setFolder) {
  return fs.readFileSync(path.join(setFolder, 'manifest.sha256'), 'utf8').split('\n').filter(Boolean)
    .map((line) => /^([0-9a-f]{64}) {2}(.+)$/.exec(line)).map(([, digest, file]) => ({ digest, file }));
}

test('a backup is listed and restored, with a safety backup of the saves it replaces', async () => {
  const first = Buffer.from('first save of slot 1');
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => {
      writePortSave(folder, 1, {
        bytes: first, picture: png(64, 48, [40, 120, 90]),
        sidecar: { place: 'Harbour of Lune', play_time_seconds: 7384, quil: 1250, party: [{ name: 'Ayla', level: 12 }] },
      });
      writeState(folder, 'quick.state', Buffer.from('state'));
    },
  });
  try {
    const page = await launcher.attach();
    await openSaves(page);
    const save = page.locator('[data-test="saves-save-1"]');
    assert.match(await save.innerText(), /Harbour of Lune[\s\S]*Ayla Lv 12[\s\S]*2:03 played/);
    await page.locator('[data-test="saves-thumb-1"] img[src^="data:image/png;base64,"]').waitFor();

    await page.click('[data-test="saves-backup"]');
    await statusMatches(page, /^Backed up 4 files/, 'the backup');
    const [setName] = setFolders(launcher.folder);
    assert.match(setName, /^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d$/);
    const setFolder = path.join(launcher.folder, 'backups', setName);
    const manifest = manifestOf(setFolder);
    assert.deepEqual(manifest.map((m) => m.file).sort(), ['json', 'myrsave', 'png'].map((kind) => `savedata/QXUS-40404/save-001.${kind}`)
      .concat('states/quick.state'));
    for (const { digest, file } of manifest) assert.equal(sha256(fs.readFileSync(path.join(setFolder, file))), digest, file);

    // The game goes on: slot 1 changes and a second save appears.
    const later = Buffer.from('slot 1 after more playing');
    fs.writeFileSync(saveDataPath(launcher.folder, 'save-001.myrsave'), later);
    writePortSave(launcher.folder, 2, { bytes: Buffer.from('second slot') });
    await page.click('[data-test="saves-refresh"]');
    await page.locator('[data-test="saves-save-2"]').waitFor();

    await page.click(`[data-test="saves-restore-${setName}"]`);
    assert.match(await page.innerText('[data-test="confirm-dialog"]'), /_before-restore/);
    await confirm(page);
    await statusMatches(page, /^Restored 4 files/, 'the restore');
    const status = await page.innerText('[data-test="saves-status"]');

    assert.deepEqual(fs.readFileSync(saveDataPath(launcher.folder, 'save-001.myrsave')), first);
    assert.equal(fs.existsSync(saveDataPath(launcher.folder, 'save-002.myrsave')), false, 'the save folder matches the set');
    const safety = setFolders(launcher.folder).find((name) => name.endsWith('_before-restore'));
    assert.ok(safety, 'a safety backup was made');
    assert.ok(status.includes(`backups\\${safety}`), status);
    const safetyFolder = path.join(launcher.folder, 'backups', safety);
    assert.ok(manifestOf(safetyFolder).some((m) => m.file === 'savedata/QXUS-40404/save-002.myrsave'));
    assert.deepEqual(fs.readFileSync(path.join(safetyFolder, 'savedata', 'QXUS-40404', 'save-001.myrsave')), later);
    await page.locator('[data-test="saves-save-2"]').waitFor({ state: 'detached' });
  } finally {
    await launcher.stop();
  }
});

test('a blank card is formatted after confirming; a second card with data offers no format', async () => {
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => {
      writeBlankCard(folder, 1);
      const written = Buffer.alloc(CARD_BYTES, 0xff);
      written[0] = 0; // anything but 0xFF: not blank, and no card the launcher can read either
      fs.writeFileSync(path.join(folder, 'memcards', 'Mcd002.ps2'), written);
    },
  });
  try {
    const page = await launcher.attach();
    await openSaves(page);
    assert.equal(await page.locator('[data-test="saves-card-2"] [data-test="saves-format-2"]').count(), 0);
    assert.match(await page.innerText('[data-test="saves-card-2"] [data-test="saves-card-error"]'), /cannot be read: not a formatted PS2 memory card/);

    await page.click('[data-test="saves-format-1"]');
    await page.click('[data-test="confirm-dialog"] [data-test="confirm-cancel"]');
    assert.equal(fs.readFileSync(path.join(launcher.folder, 'memcards', 'Mcd001.ps2')).every((b) => b === 0xff), true,
      'cancelled: the card stays blank');

    await page.click('[data-test="saves-format-1"]');
    await confirm(page);
    await statusMatches(page, /^Memory card 1 is formatted/, 'the format');
    const card = fs.readFileSync(path.join(launcher.folder, 'memcards', 'Mcd001.ps2'));
    assert.equal(card.length, CARD_BYTES);
    assert.equal(card.subarray(0, 28).toString('latin1'), 'Sony PS2 Memory Card Format ');
    assert.match(await page.innerText('[data-test="saves-card-1"] [data-test="saves-card-free"]'), /free of/);
    assert.equal(await page.locator('[data-test="saves-format-1"]').count(), 0);
  } finally {
    await launcher.stop();
  }
});

test('swapping in a kept-aside system save keeps the one in use aside', async () => {
  const inUse = systemSave(0x41);
  const fromCard = systemSave(0x42);
  const parkedName = 'system-card-slot1.parked';
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => {
      fs.mkdirSync(saveDataPath(folder), { recursive: true });
      fs.writeFileSync(saveDataPath(folder, 'system.myrsave'), inUse);
      fs.writeFileSync(saveDataPath(folder, parkedName), fromCard);
      fs.writeFileSync(saveDataPath(folder, 'system-card-slot1.json'), JSON.stringify({ card: 'Mcd001.ps2' }));
    },
  });
  try {
    const page = await launcher.attach();
    await openSaves(page);
    assert.match(await page.innerText(`[data-test="saves-parked-${parkedName}"]`), /From a memory card \(Mcd001\.ps2\)/);
    await page.click(`[data-test="saves-swap-${parkedName}"]`);
    await confirm(page);
    await statusMatches(page, /is now the system save; the previous one is kept as system-before-swap-/, 'the swap');

    assert.deepEqual(fs.readFileSync(saveDataPath(launcher.folder, 'system.myrsave')), fromCard);
    assert.equal(fs.existsSync(saveDataPath(launcher.folder, parkedName)), false);
    const kept = fs.readdirSync(saveDataPath(launcher.folder)).filter((name) => name.startsWith('system-before-swap-'));
    assert.equal(kept.length, 1);
    assert.deepEqual(fs.readFileSync(saveDataPath(launcher.folder, kept[0])), inUse);
    assert.match(await page.innerText(`[data-test="saves-parked-${kept[0]}"]`), /An earlier system save/);
  } finally {
    await launcher.stop();
  }
});

test('failures are told in words and leave the files alone', async () => {
  const setName = '2024-01-01_10-00-00';
  const launcher = new Launcher({
    page: 'player', game: true,
    prepare: (folder) => {
      // A set whose file no longer matches its manifest.
      const set = path.join(folder, 'backups', setName);
      fs.mkdirSync(path.join(set, 'savedata', 'QXUS-40404'), { recursive: true });
      fs.writeFileSync(path.join(set, 'savedata', 'QXUS-40404', 'save-001.myrsave'), 'changed after the backup');
      fs.writeFileSync(path.join(set, 'manifest.sha256'), `${sha256(Buffer.from('as backed up'))}  savedata/QXUS-40404/save-001.myrsave\n`);
    },
  });
  try {
    const page = await launcher.attach();
    await openSaves(page);
    const error = page.locator('[data-test="saves-messages"] [data-test="error"]');

    await page.click('[data-test="saves-backup"]');
    await until(async () => /^\W*There are no saves yet/.test(await error.innerText().catch(() => '')), { what: 'the backup to be refused' });

    await page.click(`[data-test="saves-restore-${setName}"]`);
    assert.match(await page.innerText('[data-test="confirm-dialog"]'), /no safety backup is needed/);
    await confirm(page);
    await until(async () => /does not match manifest\.sha256: the set is damaged, nothing was changed\.$/.test(await error.innerText().catch(() => '')),
      { what: 'the restore to be refused' });
    assert.deepEqual(setFolders(launcher.folder), [setName]);
    assert.equal(fs.existsSync(path.join(launcher.folder, 'savedata')), false);
  } finally {
    await launcher.stop();
  }
});

test('while the game runs the saves are listed but not changed', async () => {
  const launcher = new Launcher({
    page: 'player', game: true,
    environment: { MYR_ISO: windowsPath(demoImage), STANDIN_SLEEP_MS: '120000' },
    prepare: (folder) => writeState(folder, 'quick.state', Buffer.from('state')),
  });
  try {
    const page = await launcher.attach();
    await gameFilesReady(page);
    // Play minimises the window, so the page is driven through its elements from here on.
    const press = (selector) => page.$eval(selector, (element) => element.click());
    await press('[data-test=play-start]');
    await press('[data-test="tab-saves"]');
    // Listed again until the listing was taken with the game running.
    await until(async () => {
      if (await page.isVisible('[data-test="saves-locked"]')) return true;
      await press('[data-test="saves-refresh"]');
      return false;
    }, { interval: 1000, what: 'the listing to say the game runs' });
    assert.match(await page.innerText('[data-test="saves-locked"]'), /Close the game first/);
    assert.equal(await page.isDisabled('[data-test="saves-backup"]'), true);
    assert.match(await page.innerText('[data-test="saves-states"]'), /quick\.state/);
  } finally {
    await launcher.stop();
  }
});
