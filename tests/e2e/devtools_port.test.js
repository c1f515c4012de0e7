// Who can reach the launcher's browser: the launcher over its pipe, and nobody through a port
// unless MYR_LAUNCHER_DEVTOOLS_PORT asks for one (Playwright's way in for these tests).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { Launcher, browserProcesses, grabScreen, until } from './launcher.js';

// Sockets in the listening state (TCP, IPv4 and IPv6): their inode and local port.
function listeningSockets() {
  const sockets = new Map();
  for (const table of ['/proc/net/tcp', '/proc/net/tcp6']) {
    for (const line of fs.readFileSync(table, 'utf8').split('\n').slice(1)) {
      const fields = line.trim().split(/\s+/);
      if (fields.length > 9 && fields[3] === '0A') sockets.set(fields[9], parseInt(fields[1].split(':').pop(), 16));
    }
  }
  return sockets;
}

// The ports a process listens on.
function portsOf(pid) {
  const listening = listeningSockets();
  const ports = [];
  let descriptors = [];
  try {
    descriptors = fs.readdirSync(`/proc/${pid}/fd`);
  } catch {
    return ports;
  }
  for (const descriptor of descriptors) {
    let target = '';
    try {
      target = fs.readlinkSync(`/proc/${pid}/fd/${descriptor}`);
    } catch {
      continue;
    }
    const inode = /^socket:\[(\d+)\]$/.exec(target)?.[1];
    if (inode && listening.has(inode)) ports.push(listening.get(inode));
  }
  return ports;
}

function launcherPids(launcher) {
  const prefix = `Z:${launcher.folder.replaceAll('/', '\\')}\\myr_launcher.exe`;
  return fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name)).filter((pid) => {
    try {
      return fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').startsWith(prefix);
    } catch {
      return false;
    }
  });
}

// Without a port to ask the page, its picture in the window tells that it is there.
async function pageShown(launcher) {
  const picture = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'myr-port-')), 'window.png');
  const window = await launcher.window();
  await until(() => {
    grabScreen(window, picture);
    return Number(execFileSync('identify', ['-format', '%k', picture], { encoding: 'utf8' })) > 16;
  }, { timeout: 60000, what: 'the page in the window' });
  fs.rmSync(path.dirname(picture), { recursive: true, force: true });
}

function portsOfLauncherAndBrowser(launcher) {
  const pids = [...launcherPids(launcher), ...browserProcesses().map((p) => p.pid)];
  assert.ok(pids.length > 1, 'the launcher and its browser run');
  return pids.flatMap(portsOf);
}

test('without MYR_LAUNCHER_DEVTOOLS_PORT neither the launcher nor its browser listens on any port', async () => {
  const launcher = new Launcher({ environment: { MYR_LAUNCHER_DEVTOOLS_PORT: '' } });
  try {
    await pageShown(launcher);
    assert.ok(browserProcesses().some((p) => p.renderer), 'the page has its renderer');
    assert.deepEqual(portsOfLauncherAndBrowser(launcher), []);
  } finally {
    await launcher.stop();
  }
});

test('MYR_LAUNCHER_DEVTOOLS_PORT opens that port and no other', async () => {
  const launcher = new Launcher();
  try {
    await until(() => launcher.pageTalks(), { timeout: 30000, what: 'the page' });
    assert.deepEqual(portsOfLauncherAndBrowser(launcher), [launcher.port]);
  } finally {
    await launcher.stop();
  }
});
