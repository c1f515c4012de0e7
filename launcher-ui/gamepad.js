// Gamepad focus navigation: the d-pad or the left stick moves focus to the nearest element in that
// direction, button 0 activates it and button 1 acts as Escape. While a section captures raw
// input (binding a control), the shell leaves the pad alone.
const FIRST_REPEAT_MS = 380;
const NEXT_REPEAT_MS = 140;
const STICK_THRESHOLD = 0.55;

const FOCUSABLE = 'button, [href], input, select, textarea, [tabindex]:not([tabindex="-1"]), [role="tab"]';

function visible(node) {
  if (node.disabled || node.closest('[hidden], [inert]')) return false;
  const box = node.getBoundingClientRect();
  return box.width > 0 && box.height > 0;
}

function candidates() {
  const dialog = document.querySelector('dialog[open]');
  return [...(dialog ?? document).querySelectorAll(FOCUSABLE)].filter(visible);
}

// Nearest candidate whose centre lies in the direction, weighing sideways distance more.
export function nearestInDirection(from, items, direction) {
  const centre = (box) => ({ x: box.left + box.width / 2, y: box.top + box.height / 2 });
  const start = centre(from);
  let best = null;
  let bestScore = Infinity;
  for (const item of items) {
    const c = centre(item.box);
    const dx = c.x - start.x;
    const dy = c.y - start.y;
    const along = { up: -dy, down: dy, left: -dx, right: dx }[direction];
    const across = direction === 'up' || direction === 'down' ? Math.abs(dx) : Math.abs(dy);
    if (along <= 1) continue;
    const score = along + across * 2;
    if (score < bestScore) {
      bestScore = score;
      best = item.node;
    }
  }
  return best;
}

function moveFocus(direction) {
  const items = candidates().map((node) => ({ node, box: node.getBoundingClientRect() }));
  if (items.length === 0) return;
  const current = document.activeElement;
  if (!current || current === document.body || !items.some((i) => i.node === current)) {
    items[0].node.focus();
    return;
  }
  const next = nearestInDirection(current.getBoundingClientRect(), items, direction);
  if (next) {
    next.focus();
    const reduced = window.matchMedia('(prefers-reduced-motion: reduce)').matches;
    next.scrollIntoView({ block: 'nearest', behavior: reduced ? 'auto' : 'smooth' });
  }
}

function pressed(pad) {
  const button = (i) => Boolean(pad.buttons[i]?.pressed);
  const [x = 0, y = 0] = pad.axes;
  return {
    up: button(12) || y < -STICK_THRESHOLD,
    down: button(13) || y > STICK_THRESHOLD,
    left: button(14) || x < -STICK_THRESHOLD,
    right: button(15) || x > STICK_THRESHOLD,
    accept: button(0),
    back: button(1),
  };
}

export function startGamepadNavigation() {
  let captured = false;
  let polling = false;
  let releaseFirst = false; // after a capture the buttons still down must be let go before they act
  const held = new Map(); // input name -> time of its next repeat

  function act(name) {
    if (name === 'accept') document.activeElement?.click?.();
    else if (name === 'back') {
      document.activeElement?.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
      document.querySelector('dialog[open]')?.close();
    } else moveFocus(name);
  }

  function poll(now) {
    const pads = navigator.getGamepads?.().filter(Boolean) ?? [];
    if (pads.length === 0) {
      polling = false;
      return;
    }
    const state = {};
    for (const pad of pads) {
      for (const [name, down] of Object.entries(pressed(pad))) state[name] = state[name] || down;
    }
    if (releaseFirst) {
      for (const [name, down] of Object.entries(state)) if (down) held.set(name, Infinity);
      releaseFirst = false;
    }
    for (const [name, down] of Object.entries(state)) {
      if (!down || captured) {
        held.delete(name);
        continue;
      }
      const repeats = name !== 'accept' && name !== 'back';
      if (!held.has(name)) {
        act(name);
        held.set(name, repeats ? now + FIRST_REPEAT_MS : Infinity);
      } else if (now >= held.get(name)) {
        act(name);
        held.set(name, now + NEXT_REPEAT_MS);
      }
    }
    requestAnimationFrame(poll);
  }

  function startPolling() {
    if (polling) return;
    polling = true;
    requestAnimationFrame(poll);
  }

  window.addEventListener('gamepadconnected', startPolling);
  if (navigator.getGamepads?.().some(Boolean)) startPolling();
  return {
    capture(active) {
      captured = Boolean(active);
      held.clear();
      releaseFirst = !captured;
    },
  };
}
