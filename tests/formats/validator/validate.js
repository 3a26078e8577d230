// Runs the Khronos glTF validator over the .glb and .gltf files named on the command line, their
// buffers and images read from beside them. Prints each file that has an error or a warning with
// its first messages, then a count; exits with 1 when any file has one. An image is written as the
// model holds it, so what the validator says of an image's own contents (a colour profile, a pixel
// aspect) belongs to its author and is not counted.
'use strict';
const validator = require('gltf-validator');
const fs = require('fs');
const path = require('path');

const MessagesShown = 8;
const IgnoredIssues = ['IMAGE_FEATURES_UNSUPPORTED'];

async function validate(file) {
    const folder = path.dirname(file);
    return validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        ignoredIssues: IgnoredIssues,
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                try {
                    resolve(new Uint8Array(fs.readFileSync(path.join(folder, decodeURIComponent(uri)))));
                } catch (error) {
                    reject(error.toString());
                }
            }),
    });
}

(async () => {
    const files = process.argv.slice(2);
    let failed = 0;
    for (const file of files) {
        let report;
        try {
            report = await validate(file);
        } catch (error) {
            console.log(`${file}: not validated: ${error}`);
            ++failed;
            continue;
        }
        const issues = report.issues;
        if (issues.numErrors === 0 && issues.numWarnings === 0) {
            continue;
        }
        ++failed;
        console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
        for (const m of issues.messages.filter((m) => m.severity <= 1).slice(0, MessagesShown)) {
            const kind = m.severity === 0 ? 'error' : 'warning';
            console.log(`    ${kind} ${m.code} ${m.pointer || ''}: ${m.message}`);
        }
    }
    console.log(`${files.length} glTF files validated, ${failed} with errors or warnings`);
    process.exit(failed === 0 && files.length > 0 ? 0 : 1);
})();
