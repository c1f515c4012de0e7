// The page stays the launcher's page: it cannot leave its origin, open windows or download.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { after, before, test } from 'node:test';
import { Launcher, uiOrigin } from './launcher.js';

let launcher;
before(async () => {
  launcher = new Launcher();
  await launcher.attach();
  await launcher.page.evaluate(() => { window.sameDocument = true; });
});
after(async () => launcher.stop());

async function pageTargets() {
  const targets = await (await fetch(`http://127.0.0.1:${launcher.port}/json/list`)).json();
  return targets.filter((t) => t.type === 'page');
}

async function expectStillHome() {
  await sleep(1000);
  assert.ok(launcher.page.url().startsWith(uiOrigin), launcher.page.url());
  assert.equal(await launcher.page.evaluate(() => window.sameDocument), true);
}

test('navigations the page starts away from its origin do not happen', async () => {
  for (const target of ['https://elsewhere.example/', 'http://launcher.myr.example/index.html', 'https://art.myr.example/']) {
    await launcher.page.evaluate((url) => { location.href = url; }, target);
    await expectStillHome();
  }
  await launcher.click('#outside');
  await expectStillHome();
});

test('window.open opens nothing', async () => {
  const before = (await pageTargets()).length;
  await launcher.page.evaluate(() => {
    window.open('https://elsewhere.example/');
    window.open(location.href, '_blank');
  });
  await sleep(1500);
  assert.equal((await pageTargets()).length, before);
  await expectStillHome();
});

test('a download does nothing', async () => {
  const downloads = [path.join(os.homedir(), 'Downloads')];
  const before = downloads.map((folder) => (fs.existsSync(folder) ? fs.readdirSync(folder).length : 0));
  await launcher.page.evaluate(() => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob(['not for keeping'], { type: 'application/octet-stream' }));
    link.download = 'kept.bin';
    document.body.append(link);
    link.click();
  });
  await expectStillHome();
  assert.deepEqual(downloads.map((folder) => (fs.existsSync(folder) ? fs.readdirSync(folder).length : 0)), before);
});
