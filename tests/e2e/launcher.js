// The real launcher under Wine with Debian's Chromium, and what a player or the system does to it.
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { fileURLToPath } from 'node:url';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const gameDir = process.env.MYR_GAME_DIR ?? path.resolve(here, '../../out/game');
export const uiOrigin = 'https://launcher.myr.example/';
const browserBinary = '/usr/lib/chromium/chromium';

export async function until(condition, { timeout = 20000, interval = 100, what = 'condition' } = {}) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await sleep(interval);
  }
}

function run(command, args) {
  return execFileSync(command, args, { encoding: 'utf8' }).trim();
}

// Processes of the browsers the launchers of this Wine prefix start (their profile folder is
// named after the launcher and lies in the prefix): other runs on the machine have their own.
const literally = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
const profileOfThisPrefix =
  `${literally(process.env.WINEPREFIX ?? '')}/dosdevices/c:/users/[^/]+/AppData/Local/myr_launcher/Chromium`;

export function browserProcesses() {
  let lines = '';
  try {
    lines = run('pgrep', ['-a', '-f', `^${browserBinary} .*--user-data-dir=${profileOfThisPrefix}`]);
  } catch {
    return [];
  }
  return lines.split('\n').filter(Boolean).map((line) => {
    const [pid, ...args] = line.split(' ');
    return { pid: Number(pid), renderer: args.includes('--type=renderer'), main: !args.some((a) => a.startsWith('--type=')) };
  });
}

export function mainBrowserPid() {
  return browserProcesses().find((p) => p.main)?.pid;
}

let nextPort = 9400 + (process.pid % 200);

export const demoImage = process.env.MYR_DEMO_ISO ?? path.resolve(gameDir, '..', 'Myrrowen (USA).iso');
const playerPage = path.resolve(here, '../../launcher-ui');

// A game folder of its own with the launcher; `page: 'player'` serves the player's page from the
// source tree instead of the small protocol page, `game` adds the stand-in game, and `prepare`
// gets the folder before the launcher starts (to place myr.ini, cards, states). `folder` names a
// game folder that is ready as it is and stays after the launcher (the demo's).
export class Launcher {
  constructor({ environment = {}, page = 'protocol', game = false, prepare, folder } = {}) {
    this.pageKind = page;
    this.ownsFolder = !folder;
    if (folder) {
      this.folder = folder;
    } else {
      this.folder = fs.mkdtempSync(path.join(os.tmpdir(), 'myr-e2e-'));
      fs.copyFileSync(path.join(gameDir, 'myr_launcher.exe'), path.join(this.folder, 'myr_launcher.exe'));
      if (game) fs.copyFileSync(path.join(gameDir, 'myr.exe'), path.join(this.folder, 'myr.exe'));
      fs.cpSync(page === 'player' ? playerPage : path.join(here, 'page'), path.join(this.folder, 'launcher-ui'), { recursive: true });
    }
    prepare?.(this.folder);
    this.port = nextPort++;
    this.output = '';
    this.environment = { ...process.env, MYR_LAUNCHER_BROWSER: 'chromium', MYR_LAUNCHER_DEVTOOLS_PORT: String(this.port), ...environment };
    this.process = spawn('wine', [path.join(this.folder, 'myr_launcher.exe')], { env: this.environment, stdio: ['ignore', 'pipe', 'pipe'] });
    this.process.stdout.on('data', (d) => { this.output += d; });
    this.process.stderr.on('data', (d) => { this.output += d; });
    this.exited = new Promise((resolve) => this.process.on('exit', (code) => resolve(code)));
    this.running = true;
    this.exited.then(() => { this.running = false; });
  }

  // Evaluates an expression in the launcher's page over a connection of its own, without
  // Playwright (which can wait forever on a page that someone else navigated or reloaded).
  async evaluate(expression) {
    const targets = await (await fetch(`http://127.0.0.1:${this.port}/json/list`)).json();
    const page = targets.find((t) => t.type === 'page' && t.url.startsWith(uiOrigin));
    if (!page) return undefined;
    const socket = new WebSocket(page.webSocketDebuggerUrl);
    try {
      await new Promise((resolve, reject) => { socket.onopen = resolve; socket.onerror = reject; });
      const answer = await new Promise((resolve) => {
        socket.onmessage = (message) => resolve(JSON.parse(message.data));
        socket.send(JSON.stringify({ id: 1, method: 'Runtime.evaluate', params: { expression, returnByValue: true } }));
      });
      return answer.result?.result?.value;
    } finally {
      socket.close();
    }
  }

  // Whether the page has loaded and heard back from the launcher (the player's page marks itself
  // drawn once "ready" is answered).
  async pageTalks() {
    const probe = this.pageKind === 'player'
      ? "document.documentElement.dataset.state === 'ready'"
      : "(document.getElementById('status')?.textContent ?? '').startsWith('Replies')";
    try {
      return (await this.evaluate(probe)) === true;
    } catch {
      return false;
    }
  }

  // Playwright attached through the debugging port once the page talks to the launcher.
  async attach() {
    await until(() => this.pageTalks(), { timeout: 30000, what: 'the page to talk to the launcher' });
    this.browser = await chromium.connectOverCDP(`http://127.0.0.1:${this.port}`);
    this.page = await until(
      () => this.browser.contexts().flatMap((c) => c.pages()).find((p) => p.url().startsWith(uiOrigin)),
      { timeout: 40000, what: 'Playwright to see the page' }); // slow when the machine is busy
    await this.window(); // found now, while it is surely visible
    return this.page;
  }

  async detach() {
    await this.browser?.close().catch(() => {});
    this.browser = undefined;
    this.page = undefined;
  }

  // The launcher's window as X sees it: its client area, where the page is painted. Found while
  // it is visible and remembered, so that it can still be reached once minimised.
  window() {
    const id = this.windowId ? Promise.resolve(this.windowId) : until(() => {
      try {
        return run('xdotool', ['search', '--onlyvisible', '--name', '^Myrrowen$']).split('\n')[0];
      } catch {
        return null;
      }
    }, { what: 'the launcher window' });
    return id.then((windowId) => {
      this.windowId = windowId;
      const info = run('xwininfo', ['-id', windowId]);
      const number = (label) => Number(new RegExp(`${label}:\\s+(-?\\d+)`).exec(info)[1]);
      const geometry = { id: windowId, x: number('Absolute upper-left X'), y: number('Absolute upper-left Y'),
        width: number('Width'), height: number('Height') };
      this.shown ??= geometry;
      return geometry;
    });
  }

  // Where an element of the page is on the screen (asked without Playwright), scrolled into
  // sight first as a player would.
  async screenPoint(selector) {
    const box = await this.evaluate(
      `(() => { const e = document.querySelector(${JSON.stringify(selector)});
                e.scrollIntoView({ block: 'nearest', behavior: 'instant' });
                const r = e.getBoundingClientRect();
                return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);
    const window = await this.window();
    return { x: Math.round(window.x + box.x + box.width / 2), y: Math.round(window.y + box.y + box.height / 2) };
  }

  async click(selector) {
    const point = await this.screenPoint(selector);
    run('xdotool', ['mousemove', String(point.x), String(point.y), 'click', '1']);
  }

  // Drops a file onto the middle of the window as a file manager would (XDND).
  async dropFile(file) {
    const window = await this.window();
    run(path.join(here, 'xdnd_drop.py'), [window.id, String(window.x + Math.round(window.width / 2)),
      String(window.y + Math.round(window.height / 2)), file]);
  }

  // A picture of the window once it shows what the page has drawn: the painted frame follows a
  // change of the page by a moment.
  async picture(file) {
    const window = await this.window();
    const rendered = `${file}.page.png`;
    await this.page.screenshot({ path: rendered });
    try {
      await until(() => {
        grabScreen(window, file);
        return pictureDifference(rendered, file) < 0.02;
      }, { timeout: 5000, what: 'the window to show the page' });
    } finally {
      fs.rmSync(rendered, { force: true });
    }
  }

  // What a player does to the window that "play" minimised: bring it back.
  // Back means where and as tall as when it was first seen: the window manager animates the
  // restore, and a click computed on the way lands beside its target.
  async restoreWindow() {
    const window = await this.window();
    run('xdotool', ['windowactivate', window.id]);
    const { x, y, height } = this.shown;
    await until(async () => {
      const now = await this.window();
      return now.x === x && now.y === y && now.height === height && (await this.evaluate('innerHeight')) === height;
    }, { what: 'the window to come back' });
  }

  // What the window manager's close button does: WM_DELETE_WINDOW to the window.
  async closeWindow() {
    const window = await this.window();
    run('/usr/bin/python3', ['-c', closeScript, window.id]);
  }

  // A game started from this folder outlives the launcher (as it does for players); end it too.
  endProgramsOfFolder() {
    const prefix = `Z:${this.folder.replaceAll('/', '\\')}\\`;
    for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
      let commandLine = '';
      try {
        commandLine = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      } catch {
        continue;
      }
      if (commandLine.startsWith(prefix)) {
        try {
          process.kill(Number(pid), 'SIGKILL');
        } catch {
          // already gone
        }
      }
    }
  }

  async stop() {
    await this.detach();
    if (this.running) {
      this.process.kill('SIGKILL');
      await this.exited;
    }
    await until(() => browserProcesses().length === 0, { timeout: 5000, what: 'the browser to end' }).catch(() => {});
    // Wine's own processes may inherit the launcher's output and keep it open for ever.
    this.process.stdout.destroy();
    this.process.stderr.destroy();
    this.endProgramsOfFolder();
    if (this.ownsFolder) fs.rmSync(this.folder, { recursive: true, force: true });
  }
}

const closeScript = `
import sys
from Xlib import X, display
from Xlib.protocol import event
d = display.Display()
w = d.create_resource_object('window', int(sys.argv[1]))
protocols, delete = d.intern_atom('WM_PROTOCOLS'), d.intern_atom('WM_DELETE_WINDOW')
w.send_event(event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
d.flush()
`;

// A path of this machine as Wine's programs see it.
export const windowsPath = (file) => `Z:${file.replaceAll('/', '\\')}`;

// One launcher with the player's page for all the tests of a file: started before them (then
// `prepareTests` gets it, in the same hook: Node does not wait for one top-level hook before the
// next), stopped after them. The returned object holds `launcher` and `page` once started.
export function playerPageForTests(options = {}, prepareTests = async () => {}) {
  const session = {};
  before(async () => {
    session.launcher = new Launcher({ page: 'player', ...options });
    session.page = await session.launcher.attach();
    await prepareTests(session);
  });
  after(async () => session.launcher?.stop());
  return session;
}

// The Play section says the game's files are in place (preparing them takes a few seconds).
export function gameFilesReady(page) {
  return until(async () => (await page.textContent('[data-test=play-disc-badge]')) === 'Ready',
    { timeout: 60000, what: "the game's files to be ready" });
}

export function grabScreen(window, file) {
  run('import', ['-window', 'root', '-crop', `${window.width}x${window.height}+${window.x}+${window.y}`, '+repage', file]);
}

// Root-mean-square difference of two pictures of equal size, from 0 (same) to 1.
export function pictureDifference(a, b) {
  // compare writes its measure to standard error, and exits 1 when the pictures differ at all.
  const { stderr } = spawnSync('compare', ['-metric', 'RMSE', a, b, 'null:'], { encoding: 'utf8' });
  return Number(/\(([\d.e-]+)\)/.exec(stderr)?.[1] ?? 1);
}
