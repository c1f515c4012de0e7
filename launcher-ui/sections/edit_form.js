// What Settings and Controls share as forms over myr.ini: the bar with Save, Undo and a reset, the
// count of unsaved changes, errors in words, and drawing again from the launcher's latest init.

// `draw(init)` fills the form from an init reply; `changedCount()` counts what would be sent;
// `reset()` puts the defaults in (unsaved); `save()` sends and resolves with the text to show, or
// throws an Error whose message tells the player what went wrong.
export function editForm(root, app, { name, resetLabel, draw, changedCount, reset, save }) {
  const { ui } = app;
  let shownInit = app.init;
  const status = ui.el('p', { class: 'status muted', 'data-test': `${name}-status`, role: 'status', 'aria-live': 'polite' });
  const messages = ui.el('div', { class: 'messages', 'data-test': `${name}-messages` });
  const saveButton = ui.el('button', { class: 'button primary', 'data-test': `${name}-save`, 'data-busy-label': 'Saving…',
    'on:click': () => runSave() }, 'Save');
  const undoButton = ui.el('button', { class: 'button', 'data-test': `${name}-undo`, 'on:click': () => redraw() },
    'Undo changes');
  const resetButton = ui.el('button', { class: 'button', 'data-test': `${name}-reset`,
    'on:click': () => { reset(); updateStatus(); } }, resetLabel);

  function updateStatus(text) {
    const count = changedCount();
    status.textContent = text ?? (count === 0 ? 'No unsaved changes.' : count === 1 ? '1 unsaved change.' : `${count} unsaved changes.`);
    root.dataset.dirty = count > 0 ? 'true' : 'false';
  }

  function redraw() {
    ui.clearError(messages);
    draw(shownInit);
    updateStatus();
  }

  async function runSave() {
    ui.clearError(messages);
    await ui.whileBusy(saveButton, async () => {
      try {
        const text = await save();
        shownInit = await app.refreshInit();
        redraw();
        updateStatus(text);
      } catch (error) {
        ui.showError(messages, error.message);
        updateStatus('Not saved.');
      }
    });
  }

  return {
    bar: ui.el('div', { class: 'action-bar' }, ui.el('div', { class: 'row' }, saveButton, undoButton, resetButton, status), messages),
    saveButton,
    resetButton,
    updateStatus,
    redraw,
    hooks: {
      // Another section may have asked for a newer init; take it unless the player is editing.
      shown() {
        if (root.dataset.dirty !== 'true' && app.init !== shownInit) {
          shownInit = app.init;
          redraw();
        }
      },
    },
  };
}
