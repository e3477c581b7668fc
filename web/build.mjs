// Puts the web page together: the page, its style, the zip library, the program's module, its
// WebAssembly in base64 (decoded once when the page loads), and the page's script, all in one
// HTML file that needs nothing else.
//   node web/build.mjs MODULE.js VERSION OUT.html   (MODULE.wasm beside MODULE.js)
import { readFileSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const [modulePath, version, outPath] = process.argv.slice(2);
const read = (path) => readFileSync(path, "utf8");

// A script's text inside a <script> element: it must not close the element itself.
function script(text, what) {
    if (/<\/script/i.test(text)) throw new Error(`${what} holds "</script"`);
    return `<script>\n${text}\n</script>`;
}

const wasm = readFileSync(modulePath.replace(/\.js$/, ".wasm")).toString("base64");
const zipLibrary = join(here, "node_modules", "fflate", "umd", "index.js");
let page = read(join(here, "index.html"));
const parts = {
    "<!-- style -->": `<style>\n${read(join(here, "style.css"))}</style>`,
    "<!-- scripts -->": [
        script(read(zipLibrary), "fflate"),
        script(read(modulePath), "the module"),
        `<script type="application/octet-stream" id="programa-wasm">${wasm}</script>`,
        script(read(join(here, "app.js")), "app.js"),
    ].join("\n"),
    "@VERSION@": version,
};
for (const [mark, text] of Object.entries(parts)) {
    if (!page.includes(mark)) throw new Error(`index.html has no ${mark}`);
    page = page.split(mark).join(text);
}
writeFileSync(outPath, page);
