// The palette browser's script objects, as the page sees them: every function the add-on
// registered, called synchronously like the toolkit's own script calls. The host answers with the
// returned value, or with the message of what left the function, which is thrown here as an Error.
// `registered` maps each object's name to its function names.
'use strict';
const script = document.currentScript;
const base = new URL('./', script ? script.src : location.href).href;

function call(objectName, functionName, args) {
    const request = { object: objectName, function: functionName };
    if (args.length > 0 && args[0] !== undefined) request.arg = args[0];
    const xhr = new XMLHttpRequest();
    xhr.open('POST', base + 'bridge/call', false);
    xhr.setRequestHeader('Content-Type', 'application/json');
    try {
        xhr.send(JSON.stringify(request));
    } catch (e) {
        throw new Error('the host cannot be reached: ' + e.message);
    } finally {
        try {
            window.parent.postMessage({ quorvel: 'called', function: functionName }, location.origin);
        } catch (e) { /* no host page around the palette */ }
    }
    let answer = null;
    try {
        answer = JSON.parse(xhr.responseText);
    } catch (e) { /* answered below */ }
    if (xhr.status !== 200 || answer === null || typeof answer !== 'object')
        throw new Error(answer && answer.error ? answer.error : 'the host refused the call (HTTP ' + xhr.status + ')');
    if ('error' in answer) throw new Error(answer.error);
    return answer.value;
}

for (const [objectName, functions] of Object.entries(registered)) {
    const object = {};
    for (const name of functions)
        object[name] = function () { return call(objectName, name, arguments); };
    Object.freeze(object);
    Object.defineProperty(window, objectName, { value: object, enumerable: true });
}
