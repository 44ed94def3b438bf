// A stand-in for the Quorvel web application: it offers the bundled catalogue and talks to the
// add-on only through window.jsQuorvelInterface, whose calls are synchronous.
'use strict';

const api = window.jsQuorvelInterface;
const $ = (selector) => document.querySelector(selector);
const products = []; // { file, text, product }

function element(tag, attributes, ...children) {
    const e = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
        if (key === 'class') e.className = value;
        else if (key.startsWith('on')) e.addEventListener(key.slice(2), value);
        else if (value !== undefined && value !== null) e.setAttribute(key, value);
    }
    for (const child of children.flat())
        e.append(child instanceof Node ? child : document.createTextNode(String(child)));
    return e;
}

function parseOr(text, fallback) {
    try {
        return JSON.parse(text);
    } catch (e) {
        return fallback;
    }
}

// What the page calls the product's kind, from the keys the add-on dispatches on.
function kindOf(product) {
    switch (product.importType) {
    case 'MATERIAL_IMPORT':
        return 'Building material';
    case 'TYPE_IMPORT': {
        const c = String(product.constructionType || '').toLowerCase();
        return (c ? c[0].toUpperCase() + c.slice(1) : 'Composite') + ' type';
    }
    case 'FAMILY_IMPORT':
        return product.fileForImportContentType === 'application/lcf' ? 'Library container' : 'Library part';
    case 'GENERIC_GEOMETRY_IMPORT':
        return 'Generic product';
    default:
        return product.importType || 'Unknown';
    }
}

function nameOf(product) {
    return product.name || product.Name || '(unnamed)';
}

function productByUuid(uuid) {
    return products.find((p) => String(p.product.uuid) === String(uuid));
}

// --- version and overview ----------------------------------------------------------------------------

function showVersion() {
    try {
        const text = api.getPluginVersion();
        const v = parseOr(text, null);
        $('#version').textContent = v ? 'plug-in ' + v.version_number + ' · platform ' + v.platform_id + ' v' + v.platform_version_number : text;
        $('#version').dataset.raw = text;
    } catch (e) {
        $('#version').textContent = 'version unknown: ' + e.message;
    }
}

function checkOverview() {
    let text;
    try {
        text = api.getNewlyLoadedProjectOverview();
    } catch (e) {
        return; // the palette may be closed: ask again later
    }
    if (typeof text !== 'string' || text === '') return;
    const overview = parseOr(text, null);
    if (!overview) return;
    const body = $('#overview-table tbody');
    body.replaceChildren();
    for (const [key, value] of Object.entries(overview))
        body.append(element('tr', {}, element('th', {}, key), element('td', {}, value)));
    $('#overview').hidden = false;
}

// --- catalogue and import ------------------------------------------------------------------------------

function picture(product) {
    const box = element('div', { class: 'picture' });
    if (product.image && product.image.uuid)
        box.append(element('img', { src: '../files/' + encodeURIComponent(product.image.uuid), alt: product.image.name || nameOf(product) }));
    else
        box.append(element('span', { class: 'kind-mark', 'aria-hidden': 'true' }, kindOf(product)[0]));
    return box;
}

function importProduct(entry, card) {
    const result = card.querySelector('.result');
    const badge = card.querySelector('.badge');
    let text;
    try {
        text = api.import(entry.text);
    } catch (e) {
        badge.textContent = 'error';
        badge.className = 'badge failed';
        result.textContent = e.message;
        result.className = 'result failed';
        return;
    }
    const record = parseOr(text, null);
    const ok = record && record.Success === true;
    badge.textContent = ok ? 'imported' : 'failed';
    badge.className = 'badge ' + (ok ? 'ok' : 'failed');
    result.textContent = record ? JSON.stringify(record, null, 1) : String(text);
    result.className = 'result ' + (ok ? 'ok' : 'failed');
    result.hidden = false;
    refreshProject();
}

async function loadCatalogue() {
    const list = $('#catalogue');
    try {
        const names = await (await fetch('../catalogue/')).json();
        for (const file of names) {
            const text = await (await fetch('../catalogue/' + encodeURIComponent(file))).text();
            const product = parseOr(text, null);
            if (product) products.push({ file, text, product });
        }
    } catch (e) {
        list.replaceChildren(element('p', { class: 'error' }, 'The catalogue cannot be read: ' + e.message));
        return;
    }
    list.replaceChildren();
    for (const entry of products) {
        const card = element('article', { class: 'card', 'data-file': entry.file, 'data-kind': entry.product.importType },
            picture(entry.product),
            element('div', { class: 'name' }, nameOf(entry.product)),
            element('div', { class: 'kind' }, kindOf(entry.product)),
            element('div', {}, element('button', { type: 'button', class: 'primary import', disabled: api ? null : '' }, 'Import'), ' ',
                element('span', { class: 'badge' })),
            element('pre', { class: 'result', hidden: '' }));
        card.querySelector('button.import').addEventListener('click', () => importProduct(entry, card));
        list.append(card);
    }
    if (products.length === 0) list.replaceChildren(element('p', { class: 'muted' }, 'The catalogue is empty.'));
}

// --- the project ------------------------------------------------------------------------------------

function refreshProject() {
    const body = $('#project-table tbody');
    const info = $('#project-info');
    let text;
    try {
        text = api.export('PROJECT_INFO');
    } catch (e) {
        info.textContent = 'The project cannot be read: ' + e.message;
        info.className = 'error';
        return;
    }
    const project = typeof text === 'string' ? parseOr(text, null) : null;
    if (!project) {
        info.textContent = 'The add-on answered ' + JSON.stringify(text) + '.';
        info.className = 'error';
        return;
    }
    body.replaceChildren();
    const categories = { Materials: 'Material', Types: 'Type', Families: 'Library part' };
    for (const [key, label] of Object.entries(categories))
        for (const usage of (project.ImportedData || {})[key] || []) {
            const known = productByUuid(usage.Uuid);
            body.append(element('tr', { 'data-uuid': usage.Uuid },
                element('td', {}, label),
                element('td', { title: usage.Uuid }, known ? nameOf(known.product) : usage.Uuid),
                element('td', { class: 'num elements' }, usage.NumOfElements),
                element('td', { class: 'num area' }, Number(usage.TotalArea).toFixed(2)),
                element('td', {}, element('button', { type: 'button', class: 'select',
                    onclick: () => selectUsers(usage.Uuid) }, 'Select'))));
        }
    if (!body.children.length)
        body.append(element('tr', {}, element('td', { colspan: 5, class: 'muted' }, 'No Quorvel products in this project yet.')));
    const o = project.Overview || {};
    info.className = 'muted';
    info.textContent = (o.name || '') + (o.number ? ' (' + o.number + ')' : '') + (o.organization ? ', ' + o.organization : '') +
        (o.project_guid ? ' · project ' + o.project_guid : '');
}

// Adds the elements that use the product to the host's selection, one AddElementToSelection each;
// the host selects them when its event loop runs.
function selectUsers(uuid) {
    const info = $('#project-info');
    let elements;
    try {
        elements = parseOr(api.getElementsUsingProduct(uuid), []);
        for (const e of elements) api.AddElementToSelection(e.guid);
    } catch (e) {
        info.textContent = e.message;
        info.className = 'error';
        return;
    }
    info.className = 'muted';
    info.textContent = elements.length + (elements.length === 1 ? ' element' : ' elements') + ' added to the selection.';
    setTimeout(readSelection, 300);
}

// --- the selection ----------------------------------------------------------------------------------

function readSelection() {
    const list = $('#selection-list');
    let selection;
    try {
        selection = parseOr(api.getRevitSelection(), []);
    } catch (e) {
        list.replaceChildren(element('li', { class: 'error' }, e.message));
        return;
    }
    list.replaceChildren();
    for (const item of selection)
        list.append(element('li', { 'data-title': item.title },
            element('img', { src: '.' + item.thumbnail, alt: '' }), element('span', {}, item.type + ' ' + item.title)));
    if (selection.length === 0) list.append(element('li', { class: 'muted' }, 'Nothing selected.'));
}

$('#add-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const guid = $('#add-guid').value.trim();
    const out = $('#add-result');
    try {
        const answer = api.AddElementToSelection(guid);
        out.className = 'muted';
        out.textContent = 'The add-on answered ' + answer + '; the host selects the element when its event loop runs.';
    } catch (e) {
        out.className = 'error';
        out.textContent = e.message;
        return;
    }
    setTimeout(readSelection, 300);
});

$('#project-refresh').addEventListener('click', refreshProject);
$('#selection-refresh').addEventListener('click', readSelection);
$('#overview-dismiss').addEventListener('click', () => { $('#overview').hidden = true; });

if (!api) {
    $('#bridge-missing').hidden = false;
    for (const b of document.querySelectorAll('button')) b.disabled = true;
    loadCatalogue();
} else {
    showVersion();
    loadCatalogue().then(() => {
        refreshProject();
        readSelection();
        checkOverview();
        setInterval(checkOverview, 2000);
    });
}
