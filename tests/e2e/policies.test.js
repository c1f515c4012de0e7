// The page stays the launcher's page: it cannot leave its origin, open windows or download.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { after, before, test } from 'node:test';
import { Launcher, uiOrigin, until } from './launcher.js';

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

// The player clicks the page's own buttons while Playwright is away: it would wait on the
// windows the page opens.
async function clickAway(selector) {
  const point = await launcher.screenPoint(selector);
  await launcher.detach();
  execFileSync('xdotool', ['mousemove', String(point.x), String(point.y), 'click', '1']);
  await sleep(1500);
  assert.equal(await launcher.evaluate('window.sameDocument'), true);
  await launcher.attach();
}

test('window.open opens nothing', async () => {
  const before = (await pageTargets()).length;
  await clickAway('#open');
  assert.equal((await pageTargets()).length, before);
  assert.equal(await launcher.evaluate('window.opened'), 2);
});

test('no other origin is reachable, not even over a WebSocket', async () => {
  let connections = 0;
  const server = net.createServer((socket) => { connections += 1; socket.destroy(); });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  try {
    const outcome = await launcher.page.evaluate(async (port) => {
      const fetched = await fetch(`http://127.0.0.1:${port}/`).then(() => 'answered', () => 'refused');
      const socket = await new Promise((resolve) => {
        const ws = new WebSocket(`ws://127.0.0.1:${port}/`);
        ws.onopen = () => resolve('open');
        ws.onerror = () => resolve('refused');
      });
      return [fetched, socket];
    }, port);
    assert.deepEqual(outcome, ['refused', 'refused']);
    assert.equal(connections, 0);
  } finally {
    server.close();
  }
});

// A launcher of its own that Playwright never touches: a debugging client may change the
// browser's download setting, and Playwright does.
test('a download does nothing', async () => {
  await launcher.stop();
  launcher = new Launcher();
  await until(() => launcher.pageTalks(), { timeout: 30000, what: 'the page' });
  const downloads = path.join(os.homedir(), 'Downloads');
  const count = () => (fs.existsSync(downloads) ? fs.readdirSync(downloads).length : 0);
  const before = count();
  const point = await launcher.screenPoint('#download');
  execFileSync('xdotool', ['mousemove', String(point.x), String(point.y), 'click', '1']);
  await sleep(1500);
  assert.equal(count(), before);
  assert.equal(await launcher.evaluate('document.getElementById("status").textContent'), 'Replies: 1');
});
