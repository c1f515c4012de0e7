// Stands in until this section is written.
export function mount(root, app) {
  root.append(app.ui.el('h1', { text: 'Saves' }), app.ui.el('p', { class: 'muted', text: 'Coming soon.' }));
}
