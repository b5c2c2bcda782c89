#!/usr/bin/env node
// Compresses every .htm/.html page below SOURCE into the same place below TARGET with one peer
// minifier, as a black box with its documented options for HTML alone (CSS and JavaScript are
// left as they are, as corvane leaves them). Usage: node minify.js TOOL SOURCE TARGET
// Prints "TOOL INPUT_BYTES OUTPUT_BYTES FAILED_PAGES"; a page the tool fails on is kept as it was.
'use strict';
const fs = require('fs');
const path = require('path');

const tools = {
    'minify-html': () => {
        const { minify } = require('@minify-html/node');
        return async (text) => minify(Buffer.from(text), {}).toString();
    },
    'tdewolff': () => {
        const { minify } = require('@tdewolff/minify');
        return async (text) => minify('text/html', text);
    },
    'swc': () => {
        const { minifySync } = require('@swc/html');
        return async (text) => minifySync(Buffer.from(text), { minifyCss: false, minifyJs: false, minifyJson: false }).code;
    },
    'html-minifier-terser': () => {
        const { minify } = require('html-minifier-terser');
        const options = {
            collapseWhitespace: true, conservativeCollapse: false, removeComments: true,
            removeRedundantAttributes: true, removeScriptTypeAttributes: true,
            removeStyleLinkTypeAttributes: true, useShortDoctype: true, removeAttributeQuotes: true,
            removeOptionalTags: true, removeEmptyAttributes: true, collapseBooleanAttributes: true,
            decodeEntities: true, sortAttributes: false, minifyCSS: false, minifyJS: false,
        };
        return async (text) => minify(text, options);
    },
    'html-crush': () => {
        const { crush } = require('html-crush');
        return async (text) => crush(text, { removeLineBreaks: true, removeHTMLComments: 2 }).result;
    },
};

function pages(root) {
    const found = [];
    const walk = (dir) => {
        for (const entry of fs.readdirSync(dir, { withFileTypes: true }).sort((a, b) => a.name < b.name ? -1 : 1)) {
            if (entry.name.startsWith('.'))
                continue;
            const full = path.join(dir, entry.name);
            if (entry.isDirectory())
                walk(full);
            else if (entry.isFile() && /\.html?$/i.test(entry.name))
                found.push(path.relative(root, full));
        }
    };
    walk(root);
    return found;
}

async function main() {
    const [tool, source, target] = process.argv.slice(2);
    if (!tools[tool] || !source || !target) {
        console.error('usage: minify.js ' + Object.keys(tools).join('|') + ' SOURCE TARGET');
        process.exit(2);
    }
    const run = tools[tool]();
    let input = 0, output = 0, failed = 0;
    for (const page of pages(source)) {
        const bytes = fs.readFileSync(path.join(source, page));
        // Pages are UTF-8 or ASCII; a page that is not is read byte for byte as Latin-1.
        const utf8 = !bytes.toString('utf8').includes('\uFFFD');
        const text = bytes.toString(utf8 ? 'utf8' : 'latin1');
        let result;
        try {
            result = Buffer.from(await run(text), utf8 ? 'utf8' : 'latin1');
        } catch (e) {
            result = bytes;
            ++failed;
        }
        fs.mkdirSync(path.dirname(path.join(target, page)), { recursive: true });
        fs.writeFileSync(path.join(target, page), result);
        input += bytes.length;
        output += result.length;
    }
    console.log(tool, input, output, failed);
}

main();
