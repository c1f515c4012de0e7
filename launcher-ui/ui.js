// Small building blocks every section shares.

function appendChildren(node, children) {
  for (const child of children.flat(Infinity)) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
}

// el('button', { class: 'button primary', 'on:click': start, 'data-test': 'play' }, 'Play')
export function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes ?? {})) {
    if (value === null || value === undefined || value === false) continue;
    if (name.startsWith('on:')) node.addEventListener(name.slice(3), value);
    else if (name === 'class') node.className = value;
    else if (name === 'text') node.textContent = value;
    else if (value === true) node.setAttribute(name, '');
    else node.setAttribute(name, String(value));
  }
  appendChildren(node, children);
  return node;
}

// Draws a list into container keeping one node per key: `make(item)` gives { node, update(item) }
// for a key seen first; an item equal to the one drawn last leaves its node untouched, a changed
// one is updated in place, and nodes of keys gone are removed. Nodes the list keeps are never
// taken out of the document, so focus and the state of their controls stay.
export function keyedList(container, { key, make }) {
  const entries = new Map(); // key → { node, update, drawn }
  return (items) => {
    const keys = new Set(items.map(key));
    for (const [k, entry] of entries) {
      if (keys.has(k)) continue;
      entry.node.remove();
      entries.delete(k);
    }
    let next = container.firstChild;
    for (const item of items) {
      const k = key(item);
      let entry = entries.get(k);
      if (!entry) {
        entry = make(item);
        entries.set(k, entry);
      }
      const drawn = JSON.stringify(item);
      if (entry.drawn !== drawn) {
        entry.update(item);
        entry.drawn = drawn;
      }
      if (entry.node === next) next = next.nextSibling;
      else container.insertBefore(entry.node, next);
    }
  };
}

// An accessible modal question; resolves true only when the player confirms.
export function confirmAction({ title, text, confirmLabel, cancelLabel = 'Cancel', danger = false }) {
  return new Promise((resolve) => {
    let answer = false;
    const titleId = `dialog-title-${Math.random().toString(36).slice(2)}`;
    const confirm = el('button', { class: `button ${danger ? 'danger' : 'primary'}`, 'data-test': 'confirm-ok',
      'on:click': () => { answer = true; dialog.close(); } }, confirmLabel);
    const cancel = el('button', { class: 'button', 'data-test': 'confirm-cancel', 'on:click': () => dialog.close() },
      cancelLabel);
    const dialog = el('dialog', { class: 'dialog card', 'aria-labelledby': titleId, 'data-test': 'confirm-dialog' },
      el('h2', { id: titleId, text: title }),
      text ? el('p', { text }) : null,
      el('div', { class: 'row end' }, cancel, confirm));
    dialog.addEventListener('close', () => {
      dialog.remove();
      resolve(answer);
    });
    document.body.append(dialog);
    dialog.showModal();
    // A destructive question starts on the safe answer.
    (danger ? cancel : confirm).focus();
  });
}

// Runs work() once per button at a time; a second press while it runs does nothing. The button
// is marked unavailable rather than disabled: the browser takes the focus away from a disabled
// button, and the player who pressed it would have to find their place again.
export async function whileBusy(button, work) {
  if (button.getAttribute('aria-busy') === 'true') return undefined;
  const label = [...button.childNodes];
  button.setAttribute('aria-busy', 'true');
  button.setAttribute('aria-disabled', 'true');
  button.replaceChildren(el('span', { class: 'spinner', 'aria-hidden': 'true' }), button.dataset.busyLabel ?? 'Working…');
  try {
    return await work();
  } finally {
    button.replaceChildren(...label);
    button.removeAttribute('aria-busy');
    button.removeAttribute('aria-disabled');
  }
}

// The usual action button: busy while its work runs; a failure is told in plain words in
// `errorPlace` (and cleared when the button is pressed again).
export function onAction(button, errorPlace, work) {
  button.addEventListener('click', () => whileBusy(button, async () => {
    clearError(errorPlace);
    try {
      await work();
    } catch (error) {
      showError(errorPlace, error.message);
    }
  }));
}

export function showError(container, message) {
  let line = container.querySelector(':scope > .error');
  if (!line) {
    line = el('p', { class: 'error', role: 'alert', 'data-test': 'error' });
    container.append(line);
  }
  line.textContent = message;
}

export function clearError(container) {
  container.querySelector(':scope > .error')?.remove();
}

export function formatBytes(n) {
  const bytes = Number(n);
  if (!Number.isFinite(bytes) || bytes < 0) return '';
  if (bytes === 1) return '1 byte';
  if (bytes < 1024) return `${bytes} bytes`;
  const units = ['KB', 'MB', 'GB', 'TB'];
  let value = bytes / 1024;
  let unit = 0;
  while (value >= 1024 && unit < units.length - 1) {
    value /= 1024;
    unit += 1;
  }
  return `${value < 10 ? value.toFixed(1) : Math.round(value)} ${units[unit]}`;
}

// Accepts milliseconds since 1970 (as a number or digits) or any text Date understands; text it
// cannot read is shown as it stands.
export function formatDate(text) {
  const when = typeof text === 'number' || /^\d+$/.test(String(text)) ? new Date(Number(text)) : new Date(text);
  if (Number.isNaN(when.getTime())) return String(text ?? '');
  return when.toLocaleString('en', { dateStyle: 'medium', timeStyle: 'short' });
}
