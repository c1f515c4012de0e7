export function mount(root, app) {
  root.append(app.ui.el('h1', { text: 'Play' }));
}
