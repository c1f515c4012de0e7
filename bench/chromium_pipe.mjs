// Debian's Chromium, without Wine, driven over its DevTools pipe as the launcher drives it: for
// the peers of bench/chromium.sh.
import { spawn } from 'node:child_process';

// Starts the browser with these arguments (plus --no-sandbox as root). call(method, params,
// sessionId) resolves with the reply; events go to the handler given to onEvent.
export function startChromium(browserArguments) {
  const own = [...browserArguments];
  if (process.getuid?.() === 0) own.push('--no-sandbox');
  const browser = spawn('/usr/lib/chromium/chromium', own, { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const waiting = new Map();
  let eventHandler = () => {};
  let nextId = 1;
  let received = Buffer.alloc(0);
  browser.stdio[4].on('data', (chunk) => {
    received = Buffer.concat([received, chunk]);
    for (let end = received.indexOf(0); end >= 0; end = received.indexOf(0)) {
      const message = JSON.parse(received.subarray(0, end).toString('utf8'));
      received = received.subarray(end + 1);
      if (message.id) {
        waiting.get(message.id)?.(message);
        waiting.delete(message.id);
      } else {
        eventHandler(message);
      }
    }
  });
  const send = (id, method, params, sessionId) =>
    browser.stdio[3].write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + '\0');
  return {
    call: (method, params = {}, sessionId) => new Promise((resolve) => {
      const id = nextId++;
      waiting.set(id, resolve);
      send(id, method, params, sessionId);
    }),
    onEvent: (handler) => { eventHandler = handler; },
    close: () => {
      const ended = new Promise((resolve) => browser.on('exit', resolve));
      send(nextId++, 'Browser.close', {});
      return ended;
    },
  };
}
