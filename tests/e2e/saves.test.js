// The Saves section against the real launcher: what it lists, and what backing up, restoring,
// formatting, swapping and settling an interrupted restore leave on disk.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, demoImage, gameFilesReady, until, windowsPath } from './launcher.js';
import { openSection } from './fixtures/page.js';
import {
  CARD_BYTES, png, saveDataPath, sha256, systemSave, writeBackupSet, writeBlankCard, writePortSave, writeState,
} from './fixtures/saves.js';

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
    // A save without a summary shows what is known of it and nothing in place of the rest.
    const lines = (await page.innerText('[data-test="saves-save-2"]')).split('\n').map((l) => l.trim()).filter(Boolean);
    assert.deepEqual([lines[0], lines[1], lines.at(-1), lines.length], ['No picture', 'Slot 2', 'save-002.myrsave', 4],
      lines.join(' | '));

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

// An interrupted restore as the launcher records it. Each line: [kind, ...fields, path].
function writeRestoreRecord(folder, { set, safety, lines = [] }) {
  const text = ['myr_launcher restore record 2', `set ${set}`, `safety ${safety}`, ...lines.map((l) => l.join(' '))];
  fs.mkdirSync(path.join(folder, 'backups'), { recursive: true });
  fs.writeFileSync(path.join(folder, 'backups', 'restore.journal'), `${text.join('\n')}\n`);
}

// Every file of the port's save folder by name, with its text.
function saveDataOnDisk(folder) {
  const dir = saveDataPath(folder);
  if (!fs.existsSync(dir)) return {};
  return Object.fromEntries(fs.readdirSync(dir).sort().map((name) => [name, fs.readFileSync(path.join(dir, name), 'latin1')]));
}

const pendingNotice = '[data-test="saves-pending"]';

async function errorMatches(page, pattern, what) {
  const error = page.locator('[data-test="saves-messages"] [data-test="error"]');
  await until(async () => pattern.test(await error.innerText().catch(() => '')), { what });
}

// A restore of `backup` over the saves of `safety` was cut off after it created slot 2; slot 1
// changed since, so the launcher cannot tell whether finishing it would lose anything.
const backup = '2024-04-01_12-00-00';
const safety = '2024-05-01_09-00-00_before-restore';
const slot = (n) => `savedata/QXUS-40404/save-00${n}.myrsave`;
const parked = 'system-card-slot1.parked';
const files = {
  before1: 'slot 1 before the restore', fromBackup1: 'slot 1 of the backup', fromBackup2: 'slot 2 of the backup',
  changed1: 'slot 1 as the game left it after the restore stopped', parked: 'kept aside',
};

function interruptedRestore(folder) {
  const parkedFile = { [`savedata/QXUS-40404/${parked}`]: Buffer.from(files.parked) };
  writeBackupSet(folder, backup, { [slot(1)]: Buffer.from(files.fromBackup1), [slot(2)]: Buffer.from(files.fromBackup2), ...parkedFile });
  writeBackupSet(folder, safety, { [slot(1)]: Buffer.from(files.before1), ...parkedFile });
  writePortSave(folder, 1, { bytes: Buffer.from(files.changed1) });
  writePortSave(folder, 2, { bytes: Buffer.from(files.fromBackup2) });
  fs.writeFileSync(saveDataPath(folder, parked), files.parked);
  fs.writeFileSync(saveDataPath(folder, 'save-001.myrsave.import-tmp'), files.fromBackup1);
  writeBlankCard(folder, 1);
  const before1 = Buffer.from(files.before1);
  writeRestoreRecord(folder, { set: backup, safety, lines: [
    ['replace', sha256(Buffer.from(files.fromBackup1)), before1.length, 1714554000000, sha256(before1), slot(1)],
    ['create', sha256(Buffer.from(files.fromBackup2)), slot(2)],
  ] });
}

const settlements = [
  {
    action: 'finish', button: 'saves-pending-finish', asks: new RegExp(`_before-restore[\\s\\S]*every file of ${backup} is restored again`),
    status: (made) => `Finished the restore of ${backup}: 3 files restored. The saves as they were just before are in backups\\${made}. `
      + `Those from before the interrupted restore are in backups\\${safety}.`,
    saves: { [parked]: files.parked, 'save-001.myrsave': files.fromBackup1, 'save-002.myrsave': files.fromBackup2 },
  },
  {
    action: 'undo', button: 'saves-pending-undo', asks: new RegExp(`_before-restore[\\s\\S]*backups\\\\${safety}, made just before`),
    status: (made) => `Put back 2 files from backups\\${safety}. The saves as they were just before are in backups\\${made}.`,
    saves: { [parked]: files.parked, 'save-001.myrsave': files.before1 },
  },
];

for (const settlement of settlements) {
  test(`an interrupted restore waits for the player, who settles it with ${settlement.action}`, async () => {
    const launcher = new Launcher({
      page: 'player', game: true, environment: { MYR_ISO: windowsPath(demoImage) }, prepare: interruptedRestore,
    });
    try {
      const page = await launcher.attach();
      const onDisk = saveDataOnDisk(launcher.folder);
      assert.deepEqual(onDisk, { [parked]: files.parked, 'save-001.myrsave': files.changed1,
        'save-001.myrsave.import-tmp': files.fromBackup1, 'save-002.myrsave': files.fromBackup2 }, 'nothing was rolled forward at start');

      await gameFilesReady(page);
      assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), true);
      assert.equal(await page.isDisabled('[data-test="play-start"]'), true, 'Play waits for the decision');
      await page.click('[data-test="play-go-to-saves"]');
      await page.locator('#section-saves[data-loaded="true"]').waitFor();
      assert.equal(await page.evaluate(() => document.activeElement?.id), 'saves-pending');

      assert.match(await page.innerText('[data-test="saves-pending-what"]'), new RegExp(`restore of the backup ${backup} was interrupted`));
      assert.match(await page.innerText('[data-test="saves-pending-reason"]'), new RegExp(`^Why: .*${slot(1)}`), 'names the changed file');
      assert.ok((await page.innerText('[data-test="saves-pending-choice"]')).includes(`backups\\${safety}`));
      for (const held of [`saves-restore-${backup}`, `saves-restore-${safety}`, 'saves-format-1', `saves-swap-${parked}`]) {
        assert.equal(await page.isDisabled(`[data-test="${held}"]`), true, `${held} waits for the decision`);
      }
      assert.equal(await page.isDisabled('[data-test="saves-backup"]'), false, 'backing up still works');

      await page.click(`[data-test="${settlement.button}"]`);
      assert.match(await page.innerText('[data-test="confirm-dialog"]'), settlement.asks);
      await page.click('[data-test="confirm-dialog"] [data-test="confirm-cancel"]');
      assert.deepEqual(saveDataOnDisk(launcher.folder), onDisk, 'cancelled: nothing changes');

      await page.click(`[data-test="${settlement.button}"]`);
      await confirm(page);
      await statusMatches(page, /\S/, 'the settled restore');
      assert.equal(await page.isVisible(pendingNotice), false, 'settled: the launcher no longer reports it');

      assert.deepEqual(saveDataOnDisk(launcher.folder), settlement.saves);
      const sets = setFolders(launcher.folder);
      const made = sets.find((name) => name.endsWith('_before-restore') && name !== safety);
      assert.deepEqual(sets, [backup, safety, made].sort(), 'a new safety set, and the record is gone');
      const madeFolder = path.join(launcher.folder, 'backups', made);
      assert.equal(fs.readFileSync(path.join(madeFolder, ...slot(1).split('/')), 'latin1'), files.changed1,
        'the saves as they were are kept first');
      for (const { digest, file } of manifestOf(madeFolder)) assert.equal(sha256(fs.readFileSync(path.join(madeFolder, file))), digest, file);
      assert.equal(await page.innerText('[data-test="saves-status"]'), settlement.status(made));
      await until(async () => !(await page.isDisabled(`[data-test="saves-restore-${backup}"]`)), { what: 'restoring to be offered again' });

      await openSection(page, 'play');
      assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), false);
      assert.equal(await page.isDisabled('[data-test="play-start"]'), false);
    } finally {
      await launcher.stop();
    }
  });
}

// Records that leave the player only the saves as they are: nothing may be changed by settling.
const keepOnly = [
  {
    name: 'a damaged record names no backup',
    record: () => 'myr_launcher restore record 2\n',
    what: /does not say which backup/,
    finish: null,
  },
  {
    name: 'the backup being restored is gone and there were no saves before',
    record: () => ['myr_launcher restore record 2', `set ${backup}`, 'safety ',
      `create ${sha256(Buffer.from(files.fromBackup1))} ${slot(1)}`, ''].join('\n'),
    what: new RegExp(`restore of the backup ${backup} was interrupted`),
    finish: new RegExp(`^\\W*There is no backup ${backup}\\.$`),
  },
];

for (const setup of keepOnly) {
  test(`the saves are kept as they are when ${setup.name}`, async () => {
    const launcher = new Launcher({
      page: 'player',
      prepare: (folder) => {
        writePortSave(folder, 1, { bytes: Buffer.from(files.changed1) });
        fs.mkdirSync(path.join(folder, 'backups'));
        fs.writeFileSync(path.join(folder, 'backups', 'restore.journal'), setup.record());
      },
    });
    try {
      const page = await launcher.attach();
      const onDisk = saveDataOnDisk(launcher.folder);
      assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), true);
      await openSaves(page);
      assert.match(await page.innerText('[data-test="saves-pending-what"]'), setup.what);
      assert.equal(await page.innerText('[data-test="saves-pending-undo"]'), 'Keep the saves as they are');

      if (setup.finish) {
        await page.click('[data-test="saves-pending-finish"]');
        await confirm(page);
        await errorMatches(page, setup.finish, 'the finish to be refused');
        assert.equal(await page.isVisible(pendingNotice), true, 'still waiting for a decision');
        assert.deepEqual(setFolders(launcher.folder), ['restore.journal'], 'no backup made for a refused finish');
      } else {
        assert.equal(await page.locator('[data-test="saves-pending-finish"]').count(), 0, 'nothing to finish');
      }

      await page.click('[data-test="saves-pending-undo"]');
      assert.match(await page.innerText('[data-test="confirm-dialog"]'), /stay exactly as they are now/);
      await confirm(page);
      await statusMatches(page, /^The saves are kept as they are\.$/, 'the record to be dropped');
      assert.equal(await page.isVisible(pendingNotice), false, 'settled: the launcher no longer reports it');
      assert.deepEqual(saveDataOnDisk(launcher.folder), onDisk);
      assert.deepEqual(setFolders(launcher.folder), []);
      await openSection(page, 'play');
      assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), false);
    } finally {
      await launcher.stop();
    }
  });
}

test('a restore that fails half way waits for the player; once the cause is gone it is finished', async () => {
  const launcher = new Launcher({
    page: 'player',
    prepare: (folder) => {
      writeBackupSet(folder, backup, { [slot(1)]: Buffer.from(files.fromBackup1), [slot(2)]: Buffer.from(files.fromBackup2) });
      writePortSave(folder, 1, { bytes: Buffer.from(files.before1) });
      // Not in the set, so the restore removes it after putting the set in place; read-only, it stays.
      writePortSave(folder, 3, { bytes: Buffer.from('slot 3') });
      fs.chmodSync(saveDataPath(folder, 'save-003.myrsave'), 0o444);
    },
  });
  try {
    const page = await launcher.attach();
    assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), false);
    await openSaves(page);
    await page.click(`[data-test="saves-restore-${backup}"]`);
    await confirm(page);
    await errorMatches(page, /^\W*save-003\.myrsave: .*The files of the set are in place/, 'the restore to fail half way');
    await page.locator(pendingNotice).waitFor();
    assert.match(await page.innerText('[data-test="saves-pending-what"]'), new RegExp(`restore of the backup ${backup} was interrupted`));
    const [firstSafety] = setFolders(launcher.folder).filter((name) => name.endsWith('_before-restore'));
    assert.ok((await page.innerText('[data-test="saves-pending-choice"]')).includes(`backups\\${firstSafety}`));
    await until(() => page.isDisabled(`[data-test="saves-restore-${backup}"]`), { what: 'restoring to wait for the decision' });
    await openSection(page, 'play');
    assert.equal(await page.isVisible('[data-test="play-restore-waits"]'), true, 'Play heard of it too');

    fs.chmodSync(saveDataPath(launcher.folder, 'save-003.myrsave'), 0o644);
    await page.click('[data-test="play-go-to-saves"]');
    await page.click('[data-test="saves-pending-finish"]');
    await confirm(page);
    await statusMatches(page, new RegExp(`^Finished the restore of ${backup}: 2 files restored\\.`), 'the finished restore');
    assert.equal(await page.isVisible(pendingNotice), false);
    assert.deepEqual(saveDataOnDisk(launcher.folder), { 'save-001.myrsave': files.fromBackup1, 'save-002.myrsave': files.fromBackup2 });
    const sets = setFolders(launcher.folder);
    assert.equal(sets.length, 3, sets.join());
    assert.ok(sets.includes(backup) && sets.includes(firstSafety) && sets.every((name) => name === backup || name.endsWith('_before-restore')), sets.join());
  } finally {
    await launcher.stop();
  }
});
