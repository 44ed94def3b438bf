// The host's window around the add-on's palette: the palette with the web application in its
// browser, and the project as the host holds it. Everything here goes through simhost's own
// steps, so what a person does by hand is what a script would do.
'use strict';

const base = new URL('./', location.href).href;
const $ = (selector) => document.querySelector(selector);
let view = null;
let shownRevision = 0;
let stopped = false;
let fitted = false;
let frameLoads = -1;

function element(tag, attributes, ...children) {
    const e = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
        if (key === 'class') e.className = value;
        else if (key.startsWith('on')) e.addEventListener(key.slice(2), value);
        else if (value !== undefined && value !== null && value !== false) e.setAttribute(key, value === true ? '' : value);
    }
    for (const child of children.flat())
        e.append(child instanceof Node ? child : document.createTextNode(String(child)));
    return e;
}

function showMessage(text, isError) {
    const m = $('#message');
    if (!m) return; // simhost has stopped: the page shows only that
    m.textContent = text;
    m.className = isError ? 'error' : 'ok';
}

async function request(method, path, body) {
    const options = { method, headers: {} };
    if (body !== undefined) {
        options.headers['Content-Type'] = 'application/json';
        options.body = JSON.stringify(body);
    }
    const response = await fetch(base + path, options);
    let answer = null;
    try {
        answer = await response.json();
    } catch (e) {
        answer = { error: 'HTTP ' + response.status };
    }
    return { status: response.status, answer };
}

// One step of simhost's step engine, then the new view.
async function step(s, describe) {
    const r = await request('POST', 'host/step', s);
    if (r.status !== 200) showMessage(r.answer.error || 'HTTP ' + r.status, true);
    else if (describe) showMessage(describe(r.answer), false);
    await refresh();
    return r;
}

async function refresh() {
    if (stopped) return;
    const r = await request('GET', 'host/view');
    if (r.status !== 200) {
        showMessage(r.answer.error || 'the host does not answer', true);
        return;
    }
    if (stopped) return; // quit while the view was on its way
    view = r.answer;
    shownRevision = view.revision;
    render();
}

// --- the project ---------------------------------------------------------------------------------

function compositeList(project) {
    const attributes = project.attributes || {};
    for (const [key, list] of Object.entries(attributes))
        if (/composite/i.test(key) && Array.isArray(list)) return list;
    return [];
}

// An attribute's property values, each named by its property definition.
function propertyValuesText(project, attribute) {
    const definitions = new Map(((project.attributes || {}).propertyDefinitions || []).map((d) => [d.guid, d.name]));
    return Object.entries(attribute.propertyValues || {})
        .map(([guid, value]) => (definitions.get(guid) || guid) + ': ' + value).join('; ');
}

// The texts an add-on stored in an attribute's user data.
function userDataText(attribute) {
    return attribute.userData ? (attribute.userData.texts || []).join('; ') : '';
}

function parametersText(part) {
    return (part.parameters || [])
        .map((p) => p.name + ' = ' + (typeof p.value === 'string' ? p.value : JSON.stringify(p.value))).join('; ');
}

function typeName(type) {
    return { 1: 'Wall', 6: 'Object', 8: 'Slab', 9: 'Roof' }[type] || 'type ' + type;
}

function usesText(project, e) {
    const materials = (project.attributes || {}).buildingMaterials || [];
    if (e.type === 6) return e.libraryPart; // an object names its library part
    const index = e.type === 1 ? e.wallAttribute : e.type === 8 ? e.slabAttribute : e.roofAttribute;
    if (e.structure === 'composite') {
        const composite = compositeList(project)[index - 1];
        return composite ? composite.name + ' (' + (composite.skins || []).length + ' skins)'
            : 'composite ' + index;
    }
    const material = materials[index - 1];
    return material ? material.name : index ? 'attribute ' + index : '—';
}

// A deleted attribute's place: its index stays taken.
function deletedRow(i, columns) {
    return element('tr', { class: 'muted' }, element('td', { class: 'num' }, i + 1),
        element('td', { colspan: columns - 1 }, '(deleted)'));
}

function rows(tbody, list, makeRow, emptyText, columns) {
    tbody.replaceChildren();
    if (list.length === 0)
        tbody.append(element('tr', { class: 'empty-row' }, element('td', { colspan: columns }, emptyText)));
    list.forEach((item, i) => tbody.append(makeRow(item, i)));
}

function renderProject(project) {
    $('#project-title').textContent = project.projectInfo && project.projectInfo.name ? project.projectInfo.name : '(untitled project)';
    const selected = new Set(project.selection);
    const elements = project.elements || [];
    $('#element-count').textContent = '(' + elements.length + ')';
    rows($('#elements tbody'), elements, (e) => element('tr', {
        class: selected.has(e.guid) ? 'selected' : '', 'data-id': e.id, 'data-guid': e.guid,
        onclick: (event) => selectElement(e.guid, event.ctrlKey || event.metaKey || event.shiftKey),
    }, element('td', {}), element('td', {}, e.id), element('td', {}, typeName(e.type)), element('td', {}, usesText(project, e)),
       element('td', { class: 'num' }, Number(e.area).toFixed(2)), element('td', { class: 'guid' }, e.guid)),
    'Nothing drawn yet.', 6);

    const byGuid = new Map(elements.map((e) => [e.guid, e]));
    $('#selection').textContent = project.selection.length === 0 ? 'Nothing selected.'
        : project.selection.map((g) => { const e = byGuid.get(g); return e ? typeName(e.type) + ' ' + e.id : g; }).join(', ');

    const materials = (project.attributes || {}).buildingMaterials || [];
    rows($('#materials tbody'), materials, (m, i) => !m ? deletedRow(i, 5) : element('tr', {},
        element('td', { class: 'num' }, i + 1), element('td', {}, m.name),
        element('td', {}, (m.classification || []).length ? 'yes' : ''),
        element('td', { class: 'data' }, propertyValuesText(project, m)), element('td', { class: 'data' }, userDataText(m))),
    'No building materials.', 5);

    const composites = compositeList(project);
    rows($('#composites tbody'), composites, (c, i) => !c ? deletedRow(i, 4) : element('tr', {},
        element('td', { class: 'num' }, i + 1), element('td', {}, c.name || ''),
        element('td', {}, (c.skins || c.layers || []).length || ''), element('td', { class: 'data' }, userDataText(c))),
    'No composites.', 4);

    const parts = project.libraries.parts || [];
    rows($('#library-parts tbody'), parts, (p, i) => element('tr', {},
        element('td', { class: 'num' }, i + 1), element('td', {}, p.name),
        element('td', { class: 'num' }, parts.findIndex((q) => q.name === p.name) !== i ? 0
            : elements.filter((e) => e.type === 6 && e.libraryPart === p.name).length),
        element('td', { class: 'data' }, parametersText(p))),
    'No library parts.', 4);

    const libraries = $('#libraries');
    libraries.replaceChildren();
    for (const l of project.libraries.list || [])
        libraries.append(element('li', {}, (l.name || l.path) + (l.container ? ' (container)' : '') + ' — ' + l.path));
    if (!libraries.children.length) libraries.append(element('li', { class: 'muted' }, 'No libraries.'));

    renderPlaceChoices(project);
    renderEditChoices(project);
}

// What the chosen edit can apply to, named as the step names it.
function editChoices(project, action) {
    const attributes = project.attributes || {};
    const named = (list, kind) => (list || []).filter(Boolean).map((a) => ({ value: kind + ':' + a.name, text: a.name + ' (' + kind + ')' }));
    switch (action) {
    case 'deleteElement':
        return (project.elements || []).filter((e) => e.id).map((e) => ({ value: e.id, text: typeName(e.type) + ' ' + e.id }));
    case 'deleteAttribute':
    case 'renameAttribute':
        return named(attributes.buildingMaterials, 'material').concat(named(compositeList(project), 'composite'));
    case 'removeLibrary':
        return (project.libraries.list || []).map((l) => ({ value: l.name, text: l.name }));
    case 'deleteLibraryPart':
        return (project.libraries.parts || []).map((p) => ({ value: p.name, text: p.name }));
    default:
        return null;
    }
}

function renderEditChoices(project) {
    const action = $('#edit-action').value;
    const target = $('#edit-target');
    const before = target.value;
    const choices = editChoices(project, action);
    target.replaceChildren();
    target.hidden = choices === null;
    for (const c of choices || []) target.append(element('option', { value: c.value }, c.text));
    if ([...target.options].some((o) => o.value === before)) target.value = before;
    const text = $('#edit-text');
    text.hidden = action !== 'renameAttribute' && action !== 'openProject';
    text.placeholder = action === 'openProject' ? 'file in the project\'s folder' : 'new name';
}

function renderPlaceChoices(project) {
    const type = $('#place-type').value;
    const uses = $('#place-uses');
    const before = uses.value;
    uses.replaceChildren();
    if (type === 'object') {
        const group = element('optgroup', { label: 'Library parts' });
        for (const p of project.libraries.parts || []) group.append(element('option', { value: 'part:' + p.name }, p.name));
        uses.append(group);
    } else {
        const materials = element('optgroup', { label: 'Building materials' });
        for (const m of ((project.attributes || {}).buildingMaterials || []).filter(Boolean))
            materials.append(element('option', { value: 'material:' + m.name }, m.name));
        const composites = element('optgroup', { label: 'Composites' });
        for (const c of compositeList(project))
            if (c && c.name) composites.append(element('option', { value: 'composite:' + c.name }, c.name));
        uses.append(composites, materials);
    }
    if ([...uses.options].some((o) => o.value === before)) uses.value = before;
}

// --- the palette -----------------------------------------------------------------------------------

function renderPalette(palette) {
    const frame = $('#palette');
    const placeholder = $('#palette-placeholder');
    if (!palette.exists) {
        frame.hidden = true;
        placeholder.hidden = false;
        placeholder.textContent = 'The add-on has no palette yet: open it from its menu above.';
        return;
    }
    frame.hidden = !palette.visible;
    placeholder.hidden = palette.visible;
    placeholder.textContent = 'The palette is closed; its page stays loaded. Open it again from the menu above.';
    $('#palette-title-text').textContent = palette.title || 'Palette';
    const [width, height] = palette.size;
    $('#palette-size').textContent = width + ' × ' + height + (palette.enabled ? '' : ', disabled');
    frame.style.width = width + 'px';
    $('#palette-body').style.height = height + 'px';
    $('#palette-veil').hidden = palette.enabled;
    if (palette.browser) {
        const [bw, bh] = palette.browser.size;
        let iframe = $('#palette-body iframe');
        if (!iframe) {
            iframe = element('iframe', { id: 'palette-browser', title: 'the palette\'s browser', src: base + 'app/' });
            $('#palette-body').append(iframe);
            frameLoads = palette.browser.loads;
        } else if (palette.browser.loads !== frameLoads) {
            frameLoads = palette.browser.loads; // the add-on loaded its address again
            iframe.src = base + 'app/';
        }
        iframe.style.width = Math.max(0, bw) + 'px';
        iframe.style.height = Math.max(0, bh) + 'px';
        $('#palette-address').textContent = 'The browser loaded ' + palette.browser.address +
            '; the web application shown in its place is served by simhost.';
    }
    if (palette.visible && !fitted) {
        fitted = true;
        fitPalette(palette);
    }
}

// The first time the palette shows, drag it to a size that fits the window, as a user would.
function fitPalette(palette) {
    const [width, height] = palette.size;
    const wanted = [Math.max(width, Math.min(980, Math.floor(window.innerWidth * 0.58))),
                    Math.max(height, window.innerHeight - 130)];
    const dx = wanted[0] - width, dy = wanted[1] - height;
    if (dx > 20 || dy > 20) step({ step: 'resizePalette', dx, dy });
}

function startResize(event) {
    if (!view || !view.palette.exists) return;
    event.preventDefault();
    const frame = $('#palette').getBoundingClientRect();
    const outline = element('div', { class: 'resize-outline' });
    document.body.append(outline);
    const place = (x, y) => Object.assign(outline.style, {
        left: frame.left + 'px', top: frame.top + 'px',
        width: Math.max(120, frame.width + x - event.clientX) + 'px', height: Math.max(60, frame.height + y - event.clientY) + 'px',
    });
    place(event.clientX, event.clientY);
    const move = (e) => place(e.clientX, e.clientY);
    const up = (e) => {
        window.removeEventListener('pointermove', move);
        window.removeEventListener('pointerup', up);
        outline.remove();
        const dx = Math.round(Math.max(120, frame.width + e.clientX - event.clientX) - frame.width);
        const dy = Math.round(Math.max(60, frame.height + e.clientY - event.clientY) - frame.height);
        if (dx || dy) step({ step: 'resizePalette', dx, dy });
    };
    window.addEventListener('pointermove', move);
    window.addEventListener('pointerup', up);
}

// --- menus, the log, the rest -------------------------------------------------------------------------

function renderMenus(menus) {
    const nav = $('#menus');
    const open = [...nav.querySelectorAll('.menu.open')].map((m) => m.dataset.menu);
    nav.replaceChildren();
    for (const m of menus) {
        const items = element('div', { class: 'menu-items' });
        m.items.forEach((item, i) => items.append(element('button', {
            type: 'button', class: 'menu-item' + (item.flags & 2 ? ' checked' : ''), 'data-menu': m.id, 'data-item': i + 1,
            onclick: () => { closeMenus(); step({ step: 'menu', menu: m.id, item: i + 1 }); },
        }, item.text)));
        const menu = element('div', { class: 'menu' + (open.includes(String(m.id)) ? ' open' : ''), 'data-menu': m.id },
            element('button', { type: 'button', class: 'menu-title', onclick: (e) => { e.stopPropagation(); toggleMenu(e.target.parentNode); } }, m.title || 'Menu ' + m.id),
            items);
        nav.append(menu);
    }
}

function toggleMenu(menu) {
    const wasOpen = menu.classList.contains('open');
    closeMenus();
    if (!wasOpen) menu.classList.add('open');
}

function closeMenus() {
    document.querySelectorAll('.menu.open').forEach((m) => m.classList.remove('open'));
}

function renderLog(log) {
    const list = $('#log');
    list.replaceChildren();
    for (const entry of [...log].reverse())
        list.append(element('li', { class: entry.ok ? '' : 'failed', value: entry.seq },
            entry.text, entry.count > 1 ? element('span', { class: 'count' }, ' ×' + entry.count) : ''));
}

function render() {
    renderMenus(view.menus);
    renderPalette(view.palette);
    renderProject(view.project);
    renderLog(view.log);
    $('#save-state').textContent = view.saveTarget ? 'saves to ' + view.saveTarget : 'not saved: no --project or --save';
    $('#save-button').disabled = !view.saveTarget;
    $('#run-idle').textContent = 'Run event loop' + (view.posted ? ' (' + view.posted + ' waiting)' : '');
}

function selectElement(guid, toggle) {
    let guids = [guid];
    if (toggle) {
        const now = view.project.selection;
        guids = now.includes(guid) ? now.filter((g) => g !== guid) : now.concat([guid]);
    }
    step({ step: 'select', guids });
}

$('#place-type').addEventListener('change', () => view && renderPlaceChoices(view.project));
$('#place-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const type = $('#place-type').value;
    const choice = $('#place-uses').value;
    const area = Number($('#place-area').value);
    const id = $('#place-id').value.trim();
    if (!choice) {
        showMessage('Nothing to place with: import a product first.', true);
        return;
    }
    const [kind, ...rest] = choice.split(':');
    const name = rest.join(':');
    const s = { step: 'place', type, area };
    if (kind === 'part') s.libraryPart = name;
    else Object.assign(s, { attribute: name, kind });
    if (id) s.id = id;
    step(s, (answer) => 'Placed ' + type + (id ? ' ' + id : '') + ' (' + answer.guid + ').');
    $('#place-id').value = '';
});
$('#edit-action').addEventListener('change', () => view && renderEditChoices(view.project));
$('#edit-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const action = $('#edit-action').value;
    const target = $('#edit-target').value;
    const text = $('#edit-text').value.trim();
    const [kind, ...rest] = target.split(':');
    const attribute = { attribute: rest.join(':'), kind };
    const steps = {
        deleteElement: { step: 'delete', element: target },
        deleteAttribute: Object.assign({ step: 'delete' }, attribute),
        renameAttribute: Object.assign({ step: 'rename', to: text }, attribute),
        removeLibrary: { step: 'removeLibrary', name: target },
        deleteLibraryPart: { step: 'deleteLibraryPart', name: target },
        openProject: { step: 'open', project: text },
        newProject: { step: 'open' },
    };
    if (editChoices(view.project, action) !== null && !target) {
        showMessage('Nothing to apply it to.', true);
        return;
    }
    step(steps[action], (a) => 'The host answered ' + a.result + '.');
    $('#edit-text').value = '';
});
$('#clear-selection').addEventListener('click', () => step({ step: 'select', guids: [] }));
$('#palette-close').addEventListener('click', () => step({ step: 'closePalette' }));
$('#palette-grip').addEventListener('pointerdown', startResize);
$('#send-palette-message').addEventListener('click', () => step({ step: 'paletteMessage', code: Number($('#palette-message').value) },
    (a) => 'The add-on answered ' + a.result + ('answer' in a ? ', visible: ' + a.answer : '') + '.'));
$('#send-project-event').addEventListener('click', () => step({ step: 'projectEvent', code: Number($('#project-event').value), param: 0 },
    (a) => 'The add-on answered ' + a.result + '.'));
$('#run-idle').addEventListener('click', () => step({ step: 'idle' }, (a) => a.delivered.length + ' command(s) delivered.'));
$('#save-button').addEventListener('click', async () => {
    const r = await request('POST', 'host/save');
    showMessage(r.status === 200 ? 'Saved to ' + r.answer.saved + '.' : r.answer.error, r.status !== 200);
    refresh();
});
$('#quit-button').addEventListener('click', async () => {
    const r = await request('POST', 'host/quit');
    if (r.status !== 200) {
        showMessage(r.answer.error, true);
        return;
    }
    stopped = true;
    document.body.replaceChildren(element('p', { class: 'placeholder', style: 'margin: 40px auto' },
        'simhost has stopped' + (view && view.saveTarget ? '; the project is saved to ' + view.saveTarget : '') + '.'));
});
document.addEventListener('click', closeMenus);

// The page's script calls and the host's event loop change the project: follow them.
window.addEventListener('message', (event) => {
    if (event.origin === location.origin && event.data && event.data.quorvel) refresh();
});
setInterval(async () => {
    if (stopped || document.hidden) return;
    try {
        const r = await request('GET', 'host/revision');
        if (r.status === 200 && r.answer.revision !== shownRevision) refresh();
    } catch (e) {
        showMessage('simhost does not answer.', true);
    }
}, 700);
refresh();
