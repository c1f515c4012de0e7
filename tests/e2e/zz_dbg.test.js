import { test, after } from 'node:test';
import { Launcher } from '/work/wt-page-data/tests/e2e/launcher.js';
test('x', async () => {
  const launcher = new Launcher({ page: 'player', game: true });
  try { await launcher.attach(); } finally { await launcher.stop(); }
  setTimeout(() => {
    for (const h of process._getActiveHandles()) console.log('handle', h.constructor.name, h.fd, h.remoteAddress, h._handle?.constructor?.name, h.readable, h.destroyed, h === globalThis.__x);

  }, 3000).unref();
});
