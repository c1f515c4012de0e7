// Play time on the Play page, the backup after playing on the Saves page and the report for
// support on the Maintenance page, against the real launcher running the stand-in game.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, demoImage, gameFilesReady, until, windowsPath } from './launcher.js';
import { openSection, readIni } from './fixtures/page.js';
import { writeState } from './fixtures/saves.js';

const CARD_BYTES = 32 << 20;

// Each run's line: when it ended (ms since 1970 UTC), seconds played, exit code. One is damaged.
const earlierRuns = '1765000000000 3600 0\nnot a run at all\n1765100000000 60 1\n';

function startLauncher({ sleepMs, prepare }) {
  return new Launcher({
    page: 'player', game: true,
    environment: {
      MYR_ISO: windowsPath(demoImage), STANDIN_SLEEP_MS: String(sleepMs),
      STANDIN_WRITE_FILE: 'states\\quick.state', STANDIN_WRITE_TEXT: 'saved in the run',
    },
    prepare,
  });
}

// Play minimises the window, so the page is driven through its elements.
const press = (page, selector) => page.$eval(selector, (element) => element.click());
const text = (page, name) => page.innerText(`[data-test="${name}"]`);
// Whether the Play page shows an element, while another section may be in front.
const shownOnPlay = (page, selector) => page.$eval(selector, (element) => !element.hidden);
const afterPlayFolders = (folder) => fs.readdirSync(path.join(folder, 'backups')).filter((n) => n.endsWith('_after-play')).sort();

// One run from Play to its end, as the Play page sees it; the Saves page stays in front.
async function playOnce(page) {
  await press(page, '[data-test=play-start]');
  await until(() => shownOnPlay(page, '[data-test=play-stop]'), { what: 'the game to run' });
  await until(() => shownOnPlay(page, '[data-test=play-start]'), { what: 'the game to end' });
}

// Every status the after-play line shows from now on, with whether "Back up now" was held then.
function watchAfterPlay(page) {
  return page.evaluate(() => {
    const line = document.querySelector('[data-test="saves-after-play-status"]');
    window.afterPlaySeen = [];
    new MutationObserver(() => window.afterPlaySeen.push({
      text: line.textContent, held: document.querySelector('[data-test="saves-backup"]').disabled,
    })).observe(line, { childList: true, characterData: true, subtree: true });
  });
}

async function afterPlayStatus(page, pattern) {
  return until(async () => {
    const said = await text(page, 'saves-after-play-status');
    return pattern.test(said) && said;
  }, { what: `the after-play status ${pattern}` });
}

test('play time adds each run; the saves are backed up after playing only when they changed, and not when switched off', async () => {
  const launcher = startLauncher({
    sleepMs: 1500,
    prepare: (folder) => {
      fs.mkdirSync(path.join(folder, 'logs'), { recursive: true });
      fs.writeFileSync(path.join(folder, 'logs', 'runs.log'), earlierRuns);
      fs.mkdirSync(path.join(folder, 'memcards'), { recursive: true });
      fs.writeFileSync(path.join(folder, 'memcards', 'Mcd001.ps2'), Buffer.alloc(CARD_BYTES, 0x5a));
      writeState(folder, 'quick.state', Buffer.from('before the run'));
    },
  });
  try {
    const page = await launcher.attach();
    const lastPlayed = (ms) => page.evaluate((when) => new Date(when).toLocaleString('en', { dateStyle: 'medium', timeStyle: 'short' }), ms);
    assert.equal(await text(page, 'play-time'), `Last played ${await lastPlayed(1765100000000)} · 1 h 1 min played in total`);
    await gameFilesReady(page);
    await openSection(page, 'saves');
    await page.locator('#section-saves[data-loaded="true"]').waitFor();
    assert.equal(await page.isChecked('[data-test="saves-after-play-toggle"]'), true, 'on by default');
    await watchAfterPlay(page);

    const before = Date.now();
    await playOnce(page);
    const made = await afterPlayStatus(page, /^After playing, 2 files \(32 MB\) were backed up to backups\\(.+_after-play)\.$/);
    const [setName] = afterPlayFolders(launcher.folder);
    assert.ok(made.endsWith(`backups\\${setName}.`), made);
    const seen = await page.evaluate(() => window.afterPlaySeen);
    assert.ok(seen.some((s) => s.text === 'Backing up the saves after playing…' && s.held), JSON.stringify(seen));
    await page.locator(`[data-test="saves-set-${setName}"]`).waitFor();
    assert.equal(await page.isEnabled('[data-test="saves-backup"]'), true);

    // The run counts, with the time it ended.
    const runs = fs.readFileSync(path.join(launcher.folder, 'logs', 'runs.log'), 'utf8').split('\n').filter(Boolean);
    assert.equal(runs.length, 4);
    const [ended, seconds, code] = runs[3].split(' ').map(Number);
    assert.ok(ended >= before && ended <= Date.now() && seconds >= 1 && code === 0, runs[3]);
    await until(async () => (await text(page, 'play-time')) === `Last played ${await lastPlayed(ended)} · 1 h ${seconds >= 60 ? 2 : 1} min played in total`,
      { what: 'the new play time' });

    // The game writes what it wrote before: nothing new to keep.
    await playOnce(page);
    await afterPlayStatus(page, new RegExp(`^The saves did not change while playing: backups\\\\${setName} already holds them\\.$`));
    assert.deepEqual(afterPlayFolders(launcher.folder), [setName]);

    await page.click('[data-test="saves-after-play-toggle"]');
    await until(async () => /BackupAfterPlay=0/.test(readIni(launcher.folder) ?? ''), { what: 'the switch to be saved' });
    writeState(launcher.folder, 'other.state', Buffer.from('a new state'));
    await playOnce(page);
    await until(async () => fs.readFileSync(path.join(launcher.folder, 'logs', 'runs.log'), 'utf8').split('\n').filter(Boolean).length === 6,
      { what: 'the third run to be counted' });
    assert.deepEqual(afterPlayFolders(launcher.folder), [setName]);
    assert.equal(await page.isChecked('[data-test="saves-after-play-toggle"]'), false);
  } finally {
    await launcher.stop();
  }
});

test('a failed backup after playing is told on the Saves page and in the log; a waiting restore skips it with its reason', async () => {
  const launcher = startLauncher({
    sleepMs: 4000,
    // A file where the backups folder should be: no set can be written.
    prepare: (folder) => fs.writeFileSync(path.join(folder, 'backups'), 'not a folder'),
  });
  try {
    const page = await launcher.attach();
    await gameFilesReady(page);
    await openSection(page, 'saves');
    await playOnce(page);
    const error = page.locator('[data-test="saves-after-play-error"]');
    await until(async () => /^The backup after playing failed: .+/.test(await error.innerText().catch(() => '')), { what: 'the failure' });
    const log = fs.readFileSync(path.join(launcher.folder, 'logs', 'launcher.log'), 'utf8');
    assert.match(log, / The backup after playing failed: .+\r\n/);

    fs.rmSync(path.join(launcher.folder, 'backups'));
    await press(page, '[data-test=play-start]');
    await until(() => shownOnPlay(page, '[data-test=play-stop]'), { what: 'the game to run' });
    // A restore that the launcher finds interrupted when the game ends.
    fs.mkdirSync(path.join(launcher.folder, 'backups'));
    fs.writeFileSync(path.join(launcher.folder, 'backups', 'restore.journal'),
      'myr_launcher restore record 2\nset 2024-01-31_10-00-00\nsafety \nreplace x\n');
    await until(() => shownOnPlay(page, '[data-test=play-start]'), { what: 'the game to end' });
    await afterPlayStatus(page, /^No backup after playing: An interrupted restore waits for your decision: finish it or undo it on the Saves page first\.$/);
    assert.equal(await error.isVisible(), false);
    assert.deepEqual(fs.readdirSync(path.join(launcher.folder, 'backups')), ['restore.journal']);
  } finally {
    await launcher.stop();
  }
});

test('the report for support is written, named and shown, with sizes of the saves and none of their bytes', async () => {
  const launcher = startLauncher({
    sleepMs: 0,
    prepare: (folder) => {
      writeState(folder, 'quick.state', Buffer.from('secret bytes of a state'));
      fs.writeFileSync(path.join(folder, 'myr.ini'), '[Launcher]\r\nTheme=light\r\n');
    },
  });
  try {
    const page = await launcher.attach();
    await openSection(page, 'maintenance');
    await page.click('[data-test=maintenance-report]');
    const done = await until(async () => {
      const said = await text(page, 'maintenance-report-done');
      return said && said;
    }, { what: 'the report' });
    const match = /^Written to (.+\\logs\\report-\d{4}-\d\d-\d\d-\d{6}\.txt)$/.exec(done);
    assert.ok(match, done);
    const file = path.join(launcher.folder, 'logs', match[1].split('\\').pop());
    const report = fs.readFileSync(file, 'utf8');
    for (const part of ['== Launcher ==', '== System ==\r\nWindows ', '== Display ==', '== Disc ==', '== myr.ini ==\r\n[Launcher]\r\nTheme=light',
      '== Last run ==', '== Launcher log (logs\\launcher.log) ==', '  states/quick.state  23 bytes']) {
      assert.ok(report.includes(part), part);
    }
    assert.equal(report.includes('secret bytes'), false);
    assert.deepEqual(fs.readdirSync(path.join(launcher.folder, 'logs')).filter((n) => n.endsWith('.tmp')), []);
  } finally {
    await launcher.stop();
  }
});
