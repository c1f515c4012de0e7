// A log list that keeps thousands of lines but only builds the rows in sight, so scrolling and
// appending stay smooth while the game floods its output.
import { el } from '../ui.js';

const ROW_HEIGHT = 20; // px; matches .log-row in styles.css
const OVERSCAN = 12;

function rowClass(text) {
  if (text.startsWith('error:') || text.startsWith('fatal:')) return 'log-row failure';
  if (text.startsWith('[myr_launcher')) return 'log-row own';
  return 'log-row';
}

export function createLogView({ keep = 20000 } = {}) {
  const lines = [];
  let trimmed = 0; // lines the page itself let go of to stay within `keep`
  let followEnd = true;
  let scheduled = false;
  const spacer = el('div', { class: 'log-spacer' });
  const rows = el('div', { class: 'log-rows' });
  const empty = el('p', { class: 'log-empty muted' }, 'The game\'s output appears here while it runs.');
  const viewport = el('div', { class: 'log-view', tabindex: '0', role: 'log', 'aria-live': 'off',
    'aria-label': 'Game log', 'data-test': 'play-log' }, spacer, rows, empty);

  // Rows are reused from frame to frame: only their text and class change while scrolling.
  function render() {
    scheduled = false;
    spacer.style.height = `${lines.length * ROW_HEIGHT}px`;
    empty.hidden = lines.length > 0;
    if (followEnd) viewport.scrollTop = viewport.scrollHeight;
    const first = Math.max(0, Math.floor(viewport.scrollTop / ROW_HEIGHT) - OVERSCAN);
    const count = Math.min(lines.length - first, Math.ceil(viewport.clientHeight / ROW_HEIGHT) + 2 * OVERSCAN);
    rows.style.transform = `translateY(${first * ROW_HEIGHT}px)`;
    while (rows.childElementCount < count) rows.append(el('div', { 'data-test': 'play-log-row' }));
    while (rows.childElementCount > count) rows.lastElementChild.remove();
    for (let i = 0; i < count; i += 1) {
      const row = rows.children[i];
      const text = lines[first + i];
      if (row.textContent !== text) row.textContent = text;
      row.className = rowClass(text);
      row.dataset.line = String(first + i + trimmed);
    }
  }

  function schedule() {
    if (scheduled) return;
    scheduled = true;
    requestAnimationFrame(render);
  }

  viewport.addEventListener('scroll', () => {
    // Reading older lines stops the view from jumping to the end; scrolling back down resumes it.
    followEnd = viewport.scrollTop + viewport.clientHeight >= viewport.scrollHeight - ROW_HEIGHT;
    schedule();
  });

  return {
    element: viewport,
    append(newLines) {
      lines.push(...newLines);
      if (lines.length > keep) {
        const excess = lines.length - keep;
        lines.splice(0, excess);
        trimmed += excess;
      }
      schedule();
    },
    clear() {
      lines.length = 0;
      trimmed = 0;
      followEnd = true;
      schedule();
    },
    text: () => lines.join('\n'),
    get length() {
      return lines.length;
    },
    refresh: schedule,
  };
}
