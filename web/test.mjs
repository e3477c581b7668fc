// The web page against the native program, in headless Chromium: every example and every case
// of tests/cases and tests/cli-cases run both ways must give the same status, console and error
// bytes and the same files; then the page is used as a person would, with the network cut off.
//   node web/test.mjs NATIVE_PROGRAM PAGE.html SOURCE_DIR [SCREENSHOT_DIR]
import { spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { createRequire } from "node:module";
import { chromium } from "playwright-core";

const require = createRequire(import.meta.url);
const { unzipSync } = require("fflate");
const [nativeProgram, pagePath, sourceDir, screenshotDir] = process.argv.slice(2).map((path) => resolve(path));
const chromiumPath = process.env.CHROMIUM || "/usr/bin/chromium";

const moduleTimes = []; // from the page's start to the program's module ready, in the page
let passed = 0;
let failed = 0;
function check(ok, what) {
    if (ok) passed++;
    else {
        failed++;
        console.log(`FAILED: ${what}`);
    }
}

// ---------------------------------------------------------------- the cases

function filesUnder(folder, prefix = "") {
    const found = new Map();
    for (const name of readdirSync(folder).sort()) {
        const path = join(folder, name);
        if (statSync(path).isDirectory()) for (const [inner, bytes] of filesUnder(path, `${prefix}${name}/`)) found.set(inner, bytes);
        else found.set(prefix + name, readFileSync(path));
    }
    return found;
}

const folders = (path) => readdirSync(path).filter((name) => statSync(join(path, name)).isDirectory()).sort();

// A case: its input files (name -> bytes), its command line (none for the dialogue) and the
// dialogue's answers.
function allCases() {
    const cases = [];
    const examples = join(sourceDir, "examples");
    for (const name of [...filesUnder(examples).keys()].filter((name) => name.endsWith(".txt"))) {
        cases.push({ name: `examples/${name}`, inputs: new Map([[name, readFileSync(join(examples, name))]]), args: [], answers: Buffer.from(`${name}\nrelatorio.txt\nS\n`) });
    }
    cases.push({
        name: "examples/sessao",
        inputs: filesUnder(join(examples, "sessao")),
        args: ["--pontos", "pontos.csv", "registo.gsi", "--precisao", "3", "--analise", "--desenho", "--json", "sessao.json", "--resumo", "sessao.csv", "--dxf", "sessao.dxf", "--geojson", "sessao.geojson"],
        answers: Buffer.alloc(0),
    });
    const surveys = ["exemplo.txt", "levantamento-gc.txt", "levantamento-gr.txt", "levantamento-gs.txt", "levantamento-utf8.txt", "leitura-errada.txt"];
    cases.push({
        name: "examples, every output",
        inputs: new Map(surveys.map((name) => [name, readFileSync(join(examples, name))])),
        args: [...surveys, "--analise", "--desenho", "--json", "dados.json", "--resumo", "lista.csv", "--resumo-pt", "folha.csv", "--dxf", "pontos.dxf", "--geojson", "pontos.geojson", "--crs", "EPSG:3763"],
        answers: Buffer.alloc(0),
    });
    for (const name of folders(join(sourceDir, "tests/cases"))) {
        const files = filesUnder(join(sourceDir, "tests/cases", name));
        const inputs = new Map([...files].filter(([file]) => file !== "answers.txt" && !file.startsWith("expected-")));
        cases.push({ name: `tests/cases/${name}`, inputs, args: [], answers: files.get("answers.txt") });
    }
    for (const name of folders(join(sourceDir, "tests/cli-cases"))) {
        const files = filesUnder(join(sourceDir, "tests/cli-cases", name));
        const inputs = new Map([...files].filter(([file]) => file !== "args.txt" && !file.startsWith("expected")));
        const args = files.get("args.txt").toString("utf8").split("\n").filter((line) => line !== "");
        cases.push({ name: `tests/cli-cases/${name}`, inputs, args, answers: Buffer.alloc(0) });
    }
    return cases;
}

// The native program on a copy of the case's files.
function runNative(testCase) {
    const work = mkdtempSync(join(tmpdir(), "interseccao-web-"));
    for (const [name, bytes] of testCase.inputs) {
        mkdirSync(dirname(join(work, name)), { recursive: true });
        writeFileSync(join(work, name), bytes);
    }
    const run = spawnSync(nativeProgram, testCase.args, { cwd: work, input: testCase.answers, maxBuffer: 1 << 28 });
    const outputs = new Map();
    for (const [name, bytes] of filesUnder(work)) if (!testCase.inputs.has(name) || !testCase.inputs.get(name).equals(bytes)) outputs.set(name, bytes);
    rmSync(work, { recursive: true, force: true });
    return { status: run.status, stdout: run.stdout, stderr: run.stderr, outputs };
}

async function runInPage(page, testCase) {
    const files = Object.fromEntries([...testCase.inputs].map(([name, bytes]) => [name, bytes.toString("base64")]));
    const result = await page.evaluate((request) => window.interseccao.run(request), { files, args: testCase.args, answers: testCase.answers.toString("base64") });
    const bytes = (text) => Buffer.from(text, "base64");
    return { status: result.status, stdout: bytes(result.stdout), stderr: bytes(result.stderr), outputs: new Map(Object.entries(result.outputs).map(([name, text]) => [name, bytes(text)])) };
}

// ---------------------------------------------------------------- comparing

// The machine-readable outputs may differ in the last digits of a number: the WebAssembly C
// library rounds sin, atan2 and the like differently in the last bit. Their numbers must agree
// to 1e-9 relative, or within 1e-9 of the quantity's unit for a value near zero (a shift of a
// point, a residual), whose relative difference says nothing; everything between the numbers
// must be the same bytes.
const number = /-?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?/g;
function sameNumbers(expected, actual) {
    const a = expected.toString("latin1"), b = actual.toString("latin1");
    if (a.replace(number, "#") !== b.replace(number, "#")) return false;
    const x = a.match(number) || [], y = b.match(number) || [];
    return x.every((text, i) => {
        const u = Number(text), v = Number(y[i]);
        const difference = Math.abs(u - v);
        return difference <= 1e-9 * Math.max(Math.abs(u), Math.abs(v)) || difference <= 1e-9;
    });
}

// The azimuth of a shift of a few micrometres turns a difference of 1e-12 m in the shifted
// point into 1e-8 of a radian: it agrees when the points it leads to agree to 1e-9 m.
function sameJson(expected, actual, parent = null) {
    if (typeof expected === "number" && typeof actual === "number") return null;
    if (expected === null || typeof expected !== "object") return expected === actual;
    if (typeof actual !== "object" || actual === null || Array.isArray(expected) !== Array.isArray(actual)) return false;
    const keys = Object.keys(expected);
    if (keys.join() !== Object.keys(actual).join()) return false;
    return keys.every((key) => {
        const [u, v] = [expected[key], actual[key]];
        const same = sameJson(u, v, expected);
        if (same !== null) return same;
        const difference = Math.abs(u - v);
        if (key === "azimute_deslocamento" && typeof expected.deslocamento === "number")
            return difference * expected.deslocamento <= 1e-9;
        return difference <= 1e-9 * Math.max(Math.abs(u), Math.abs(v)) || difference <= 1e-9;
    });
}

function sameOutput(name, expected, actual) {
    if (/\.(json|geojson)$/.test(name)) {
        try {
            return sameNumbers(expected, actual) || sameJson(JSON.parse(expected), JSON.parse(actual)) === true;
        } catch {
            return false;
        }
    }
    return /\.(csv|dxf)$/.test(name) ? sameNumbers(expected, actual) : expected.equals(actual);
}

function compare(testCase, native, web) {
    const problems = [];
    if (native.status !== web.status) problems.push(`status ${native.status} natively, ${web.status} in the page`);
    const jsonOut = testCase.args.includes("--json") && testCase.args[testCase.args.indexOf("--json") + 1] === "-";
    if (!sameOutput(jsonOut ? "-.json" : "-", native.stdout, web.stdout)) problems.push("console differs");
    if (!native.stderr.equals(web.stderr)) problems.push(`errors differ: ${JSON.stringify(native.stderr.toString())} / ${JSON.stringify(web.stderr.toString())}`);
    const names = [...native.outputs.keys()].sort().join(" "), webNames = [...web.outputs.keys()].sort().join(" ");
    if (names !== webNames) problems.push(`files differ: [${names}] natively, [${webNames}] in the page`);
    for (const [name, bytes] of native.outputs) {
        const other = web.outputs.get(name);
        if (!other) continue;
        if (!sameOutput(name, bytes, other)) problems.push(`${name} differs`);
    }
    return problems;
}

// ---------------------------------------------------------------- the page as a person uses it

async function openPage(browser, options) {
    const context = await browser.newContext({ acceptDownloads: true, locale: "pt-PT", ...options });
    const page = await context.newPage();
    const requests = [];
    page.on("request", (request) => requests.push(request.url()));
    page.on("pageerror", (error) => check(false, `page error: ${error.message}`));
    const started = Date.now();
    await page.goto(pathToFileURL(pagePath).href);
    await page.waitForSelector("body[data-pronto]");
    const loadTime = Date.now() - started;
    moduleTimes.push(Number(await page.evaluate(() => document.body.dataset.pronto)));
    check(requests.length === 1, `the page fetched nothing but itself (it fetched ${requests.join(", ")})`);
    // From here on nothing may leave the page.
    await context.route("**/*", (route) => route.abort());
    await context.setOffline(true);
    return { context, page, loadTime };
}

async function choose(page, paths) {
    await page.setInputFiles("#escolher", paths);
    await page.waitForFunction((count) => document.querySelectorAll("#lista-ficheiros li").length === count, paths.length);
}

async function calculate(page) {
    await page.click("#calcular");
    await page.waitForSelector("#resultados:not([hidden])");
}

const latin1OrUtf8 = (bytes) => {
    try {
        return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
    } catch {
        return new TextDecoder("latin1").decode(bytes);
    }
};

async function usePage(browser, viewport, screenshot) {
    const { context, page, loadTime } = await openPage(browser, viewport);
    const examples = join(sourceDir, "examples");
    const bad = join(sourceDir, "tests/cli-cases/several-inputs-one-stops-one-malformed/mal.txt");
    const paths = [join(examples, "levantamento-gc.txt"), join(examples, "leitura-errada.txt"), bad];
    await choose(page, paths);
    await calculate(page);

    const native = runNative({ inputs: new Map(paths.map((path) => [path.split("/").pop(), readFileSync(path)])), args: ["levantamento-gc.txt", "leitura-errada.txt", "mal.txt", "--analise", "--desenho"], answers: Buffer.alloc(0) });
    const rows = await page.$$eval("#resumo tbody tr", (trs) => trs.map((tr) => [...tr.cells].map((td) => td.textContent)));
    check(rows.length === 3 && rows[0][1] === "TORRE" && rows[0][2] === "48732.422", `the summary table lists the three files (${JSON.stringify(rows)})`);
    const besideName = await page.$eval("#lista-ficheiros li:nth-child(3) .erro", (span) => span.textContent).catch(() => "");
    check(besideName + "\n" === native.stderr.toString("utf8"), `the bad file's message beside its name (${besideName})`);
    const reports = await page.$$eval(".ponto pre", (pres) => pres.map((pre) => pre.textContent));
    check(reports.includes(latin1OrUtf8(native.outputs.get("levantamento-gc-relatorio.txt"))), "the report is shown as the program wrote it, Latin-1 letters and all");
    check((await page.$$(".desenho img")).length === 2, "both drawings shown");

    const download = page.waitForEvent("download");
    await page.click("#zip");
    const zipped = unzipSync(new Uint8Array(readFileSync(await (await download).path())));
    for (const [name, bytes] of native.outputs) check(zipped[name] && Buffer.from(zipped[name]).equals(bytes), `the zip holds ${name} as the program wrote it`);

    if (screenshot) {
        // At a desktop's width the form and the results from the top; at a phone's, the results.
        if (viewport.isMobile) await page.evaluate(() => document.querySelector("#resultados").scrollIntoView());
        else await page.setViewportSize({ width: viewport.viewport.width, height: 1150 });
        await page.screenshot({ path: screenshot });
    }
    await context.close();
    return loadTime;
}

async function useSession(browser) {
    const { context, page } = await openPage(browser, { viewport: { width: 1280, height: 900 } });
    const folder = join(sourceDir, "examples/sessao");
    await choose(page, [join(folder, "pontos.csv"), join(folder, "registo.gsi")]);
    await page.check('input[value="sessao"]');
    await page.fill("#precisao", "3");
    await calculate(page);
    const native = runNative({ inputs: filesUnder(folder), args: ["--pontos", "pontos.csv", "registo.gsi", "--precisao", "3", "--tolerancia", "0.001", "--analise", "--desenho"], answers: Buffer.alloc(0) });
    const rows = await page.$$eval("#resumo tbody tr", (trs) => trs.length);
    const points = native.stdout.toString().split("\n").filter(Boolean).length;
    check(rows === points, `a row for every point of the session (${rows} of ${points})`);
    const reports = await page.$$eval(".ponto pre", (pres) => pres.map((pre) => pre.textContent));
    check(reports.includes(latin1OrUtf8(native.outputs.get("N01-relatorio.txt"))), "the session's point N01 shows its report");
    check((await page.$$(".desenho img")).length === points + 1, "every point's drawing and the session's drawing shown");
    await context.close();
}

async function useDialogue(browser) {
    const { context, page } = await openPage(browser, { viewport: { width: 1280, height: 900 } });
    const example = join(sourceDir, "examples/exemplo.txt");
    await choose(page, [example]);
    await page.check('input[value="dialogo"]');
    for (const [answers, what] of [
        [["exemplo.txt", "saida.txt", "S"], "the dialogue"],
        [["exemplo.tx", "saida.txt", "S"], "a mistyped name"],
    ]) {
        await page.fill("#resposta-input", answers[0]);
        await page.fill("#resposta-output", answers[1]);
        await page.fill("#resposta-cota", answers[2]);
        await calculate(page);
        const native = runNative({ inputs: new Map([["exemplo.txt", readFileSync(example)]]), args: [], answers: Buffer.from(answers.join("\n") + "\n") });
        const shown = await page.$eval(".ponto details pre", (pre) => pre.textContent);
        check(shown === latin1OrUtf8(Buffer.concat([native.stdout, native.stderr])), `${what} in the page shows the dialogue's console`);
    }
    await context.close();
}

// ---------------------------------------------------------------- timing

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

async function timing(page, loadTimes) {
    const file = readFileSync(join(sourceDir, "examples/levantamento-gc.txt"));
    const testCase = { inputs: new Map([["levantamento-gc.txt", file]]), args: ["levantamento-gc.txt"], answers: Buffer.alloc(0) };
    const web = await page.evaluate((text) => {
        const times = [];
        for (let i = 0; i < 21; i++) {
            const started = performance.now();
            window.interseccao.run({ files: { "levantamento-gc.txt": text }, args: ["levantamento-gc.txt"] });
            times.push(performance.now() - started);
        }
        return times;
    }, file.toString("base64"));
    const native = [];
    for (let i = 0; i < 21; i++) {
        const started = process.hrtime.bigint();
        runNative(testCase);
        native.push(Number(process.hrtime.bigint() - started) / 1e6);
    }
    console.log(`benchmark: page load to ready ${median(loadTimes)} ms (the module decoded and compiled in ${median(moduleTimes).toFixed(0)} ms of it); levantamento-gc.txt to its report ${median(web).toFixed(1)} ms in the page, ${median(native).toFixed(1)} ms natively (a process started, files on disk)`);
}

// ---------------------------------------------------------------- the run

const browser = await chromium.launch({ executablePath: chromiumPath, args: ["--no-sandbox"] });
try {
    const { context, page, loadTime } = await openPage(browser, {});
    for (const testCase of allCases()) {
        const problems = compare(testCase, runNative(testCase), await runInPage(page, testCase));
        check(problems.length === 0, `${testCase.name}: ${problems.join("; ")}`);
    }
    const loadTimes = [loadTime];
    const shots = screenshotDir ? [join(screenshotDir, "pagina-computador.png"), join(screenshotDir, "pagina-telemovel.png")] : [];
    loadTimes.push(await usePage(browser, { viewport: { width: 1280, height: 900 } }, shots[0]));
    loadTimes.push(await usePage(browser, { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true }, shots[1]));
    await useSession(browser);
    await useDialogue(browser);
    await timing(page, loadTimes);
    await context.close();
} finally {
    await browser.close();
}
console.log(`web: ${passed} passed, ${failed} failed`);
process.exitCode = failed === 0 ? 0 : 1;
