// The browser's failures and the launcher's end: what a player would see after a crash, a
// capture run, and a killed launcher.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { test } from 'node:test';
import { Launcher, browserProcesses, mainBrowserPid, until } from './launcher.js';

test('a killed render process reloads the page', async () => {
  const launcher = new Launcher();
  try {
    await until(() => launcher.pageTalks(), { timeout: 30000, what: 'the page' });
    await launcher.evaluate('window.beforeCrash = true');
    for (const renderer of browserProcesses().filter((p) => p.renderer)) process.kill(renderer.pid, 'SIGKILL');
    await until(async () => (await launcher.pageTalks()) && (await launcher.evaluate('window.beforeCrash')) === undefined,
      { timeout: 30000, what: 'the page to come back' });
  } finally {
    await launcher.stop();
  }
});

test('a killed browser is started again three times, then the window stays without a page', async () => {
  const launcher = new Launcher();
  try {
    await launcher.attach();
    for (let restart = 1; restart <= 3; restart++) {
      const killed = mainBrowserPid();
      await launcher.detach();
      process.kill(killed, 'SIGKILL');
      await until(() => mainBrowserPid() && mainBrowserPid() !== killed, { what: `restart ${restart}` });
      await launcher.attach();
    }
    await launcher.detach();
    process.kill(mainBrowserPid(), 'SIGKILL');
    await sleep(3000);
    assert.deepEqual(browserProcesses(), []);
    assert.ok(launcher.running, 'the launcher keeps its window');
    // The browser's notes are in the launcher's own log, and nowhere else.
    const log = fs.readFileSync(path.join(launcher.folder, 'logs', 'launcher.log'), 'utf8');
    assert.equal(log.match(/The browser was lost: /g)?.length, 4, log);
    assert.doesNotMatch(launcher.output, /browser was lost/);
  } finally {
    await launcher.stop();
  }
});

test('a browser that stops answering counts as ended and is started again', async () => {
  const launcher = new Launcher();
  try {
    await launcher.attach();
    await launcher.detach();
    const stopped = mainBrowserPid();
    process.kill(stopped, 'SIGSTOP');
    // The pointer's moves are forwarded to the page: calls that will not be answered.
    const window = await launcher.window();
    execFileSync('xdotool', ['mousemove', String(window.x + 100), String(window.y + 100), 'mousemove_relative', '5', '5']);
    await until(() => mainBrowserPid() && mainBrowserPid() !== stopped, { timeout: 30000, what: 'a new browser' });
    await launcher.attach();
  } finally {
    await launcher.stop();
  }
});

// A script's window.close() is a click on the close box: it asks the page while the game runs.
test('window.close() follows the closing rules of the window', async () => {
  const idle = new Launcher();
  try {
    await until(() => idle.pageTalks(), { timeout: 30000, what: 'the page' });
    await idle.evaluate('window.close()');
    assert.equal(await Promise.race([idle.exited, sleep(20000, 'still running')]), 0);
  } finally {
    await idle.stop();
  }

  const playing = new Launcher({ game: true, environment: { STANDIN_SLEEP_MS: '60000' } });
  try {
    await until(() => playing.pageTalks(), { timeout: 30000, what: 'the page' });
    // A second start with "--play" has the running launcher start the game.
    execFileSync('wine', [path.join(playing.folder, 'myr_launcher.exe'), '--play'], { env: playing.environment, stdio: 'ignore' });
    const sawEvent = (name) => playing.evaluate(`window.received.some((m) => m.event === '${name}')`);
    await until(() => sawEvent('gameStarted'), { what: 'the game to start' });
    await playing.evaluate('window.close()');
    await until(() => sawEvent('closeRequested'), { what: 'the question to the page' });
    assert.ok(playing.running, 'the launcher stays while the game runs');
    await playing.evaluate("request('stop')");
    await until(() => sawEvent('gameExited'), { what: 'the game to end' });
  } finally {
    await playing.stop();
  }
});

test('capture mode writes a picture of the page and ends', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-capture-'));
  const picture = path.join(folder, 'page.png');
  const launcher = new Launcher({ environment: { MYR_LAUNCHER_CAPTURE: `Z:${picture.replaceAll('/', '\\')}` } });
  try {
    assert.equal(await Promise.race([launcher.exited, sleep(40000, 'still running')]), 0);
    const bytes = fs.readFileSync(picture);
    assert.deepEqual([...bytes.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
    const [width, height, colours] = execFileSync('identify', ['-format', '%w %h %k', picture], { encoding: 'utf8' })
      .split(' ').map(Number);
    assert.ok(width > 800 && height > 500, `${width}x${height}`);
    assert.ok(colours > 16, 'the picture shows the page, not a flat background');
  } finally {
    await launcher.stop();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('the browser ends within a second of a killed launcher', async () => {
  const launcher = new Launcher();
  try {
    await launcher.attach();
    await launcher.detach();
    assert.ok(browserProcesses().length > 0);
    launcher.process.kill('SIGKILL');
    await sleep(1000);
    assert.deepEqual(browserProcesses(), []);
  } finally {
    await launcher.stop();
  }
});

// The version comes from the browser that shows the page, as it answers over its pipe.
test('"init" names the version of the browser that shows the page', async () => {
  const launcher = new Launcher();
  try {
    await until(() => launcher.pageTalks(), { timeout: 30000, what: 'the page to talk to the launcher' });
    await launcher.evaluate("request('init')");
    const named = await until(
      () => launcher.evaluate('window.received.find((r) => typeof r.result?.webview === "string")?.result.webview'),
      { what: 'the answer to "init"' });
    const banner = execFileSync('/usr/lib/chromium/chromium', ['--version'], { encoding: 'utf8' });
    assert.equal(named, /^Chromium ([\d.]+) /.exec(banner)[1]);
  } finally {
    await launcher.stop();
  }
});
