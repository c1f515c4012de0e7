// The page's one channel to the launcher: requests with numbered replies, and pushed events.
const webview = window.chrome?.webview;
const pending = new Map();
const listeners = new Map();
let nextId = 1;

function deliverEvent(name, data) {
  for (const handler of [...(listeners.get(name) ?? [])]) {
    // One faulty handler must not keep the event from the others.
    try {
      handler(data);
    } catch (error) {
      console.error(`handler of "${name}" failed`, error);
    }
  }
}

function receive(message) {
  if (!message || typeof message !== 'object') return;
  if (typeof message.event === 'string') {
    deliverEvent(message.event, message.data);
    return;
  }
  const entry = pending.get(message.id);
  if (!entry) return;
  pending.delete(message.id);
  clearTimeout(entry.timer);
  if (message.ok === true) entry.resolve(message.result);
  else entry.reject(new Error(typeof message.error === 'string' && message.error ? message.error : 'The launcher refused the request.'));
}

webview?.addEventListener('message', (e) => {
  let message = e.data;
  if (typeof message === 'string') {
    try {
      message = JSON.parse(message);
    } catch {
      return;
    }
  }
  receive(message);
});

// Resolves with the reply's "result". A timeout of 0 or Infinity waits for ever (a file dialog
// may stay open as long as the player likes).
export function request(cmd, args = {}, { timeout = 30000 } = {}) {
  return new Promise((resolve, reject) => {
    if (!webview) {
      reject(new Error('The page is not running inside the launcher.'));
      return;
    }
    const id = nextId++;
    const entry = { resolve, reject, timer: undefined };
    if (timeout > 0 && Number.isFinite(timeout)) {
      entry.timer = setTimeout(() => {
        pending.delete(id);
        reject(new Error('The launcher did not answer in time.'));
      }, timeout);
    }
    pending.set(id, entry);
    webview.postMessage(JSON.stringify({ id, cmd, args }));
  });
}

// Returns the function that unsubscribes the handler again.
export function on(eventName, handler) {
  if (!listeners.has(eventName)) listeners.set(eventName, new Set());
  listeners.get(eventName).add(handler);
  return () => listeners.get(eventName)?.delete(handler);
}
