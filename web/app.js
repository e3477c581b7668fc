// The page: the files chosen or dropped, the options of the command line as controls, and each
// run of the program shown and offered for download. The program runs in this page, on files
// held in its memory; nothing is sent anywhere.
"use strict";

(() => {
    const $ = (id) => document.getElementById(id);
    const chosen = new Map(); // name -> bytes, in the order chosen
    const internal = "/interno"; // the page's own files, never shown
    let program = null;
    let runs = 0;
    let lastResults = [];

    // ---------------------------------------------------------------- bytes and text

    function toBase64(bytes) {
        let text = "";
        for (let i = 0; i < bytes.length; i += 0x8000)
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        return btoa(text);
    }

    function fromBase64(text) {
        const binary = atob(text);
        const bytes = new Uint8Array(binary.length);
        for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
        return bytes;
    }

    // The program writes in the encoding of its observation file: UTF-8, or else Latin-1.
    function textOf(bytes) {
        try {
            return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
        } catch {
            return new TextDecoder("latin1").decode(bytes);
        }
    }

    const utf8 = (text) => new TextEncoder().encode(text);

    function joinBytes(parts) {
        const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
        let at = 0;
        for (const part of parts) {
            all.set(part, at);
            at += part.length;
        }
        return all;
    }

    // ---------------------------------------------------------------- the program

    const ready = (async () => {
        const started = performance.now();
        const wasmBinary = fromBase64($("programa-wasm").textContent.trim());
        program = await createInterseccao({ wasmBinary, print() {}, printErr() {} });
        program.FS.mkdir(internal);
        return performance.now() - started;
    })();

    function makeFolders(path) {
        let at = "";
        for (const part of path.split("/").filter(Boolean)) {
            at += "/" + part;
            if (!program.FS.analyzePath(at).exists) program.FS.mkdir(at);
        }
    }

    // Every file under `folder`, by its name relative to it.
    function filesUnder(folder, prefix = "", found = new Map()) {
        for (const name of program.FS.readdir(folder)) {
            if (name === "." || name === "..") continue;
            const path = `${folder}/${name}`;
            if (program.FS.isDir(program.FS.stat(path).mode)) filesUnder(path, `${prefix}${name}/`, found);
            else found.set(prefix + name, program.FS.readFile(path));
        }
        return found;
    }

    function removeTree(path) {
        if (!program.FS.analyzePath(path).exists) return;
        if (!program.FS.isDir(program.FS.stat(path).mode)) return program.FS.unlink(path);
        for (const name of program.FS.readdir(path))
            if (name !== "." && name !== "..") removeTree(`${path}/${name}`);
        program.FS.rmdir(path);
    }

    function sameBytes(a, b) {
        return a.length === b.length && a.every((byte, i) => byte === b[i]);
    }

    function copyIn(bytes) {
        const at = program._malloc(Math.max(bytes.length, 1));
        program.HEAPU8.set(bytes, at);
        return at;
    }

    function outputOf(stream) {
        const at = program._interseccao_output(stream);
        return program.HEAPU8.slice(at, at + program._interseccao_output_length(stream));
    }

    // One whole run in a folder of its own holding `inputs` (name -> bytes): the command line
    // `args`, or the dialogue with `answers` when there are none. Gives the exit status, the
    // console and error bytes, and every file the run made or changed.
    function run(inputs, args, answers = new Uint8Array()) {
        const folder = `/execucao${++runs}`;
        makeFolders(folder);
        for (const [name, bytes] of inputs) {
            makeFolders(`${folder}/${name}`.replace(/\/[^/]*$/, ""));
            program.FS.writeFile(`${folder}/${name}`, bytes);
        }
        const argumentBytes = joinBytes(args.map((arg) => joinBytes([utf8(arg), new Uint8Array(1)])));
        const pointers = [copyIn(joinBytes([utf8(folder), new Uint8Array(1)])), copyIn(argumentBytes), copyIn(answers)];
        let status;
        try {
            status = program._interseccao_run(pointers[0], pointers[1], argumentBytes.length, pointers[2], answers.length);
        } finally {
            pointers.forEach((at) => program._free(at));
        }
        const outputs = new Map();
        for (const [name, bytes] of filesUnder(folder))
            if (!inputs.has(name) || !sameBytes(inputs.get(name), bytes)) outputs.set(name, bytes);
        removeTree(folder);
        return { status, console: outputOf(1), errors: outputOf(2), outputs };
    }

    // The run's JSON, written by the program where the page keeps its own files.
    function withSummary(inputs, args) {
        const summary = `${internal}/resumo.json`;
        const result = run(inputs, [...args, "--json", summary]);
        result.summary = null;
        if (program.FS.analyzePath(summary).exists) {
            result.summary = JSON.parse(textOf(program.FS.readFile(summary)));
            program.FS.unlink(summary);
        }
        return result;
    }

    // ---------------------------------------------------------------- the form

    const mode = () => document.querySelector('input[name="modo"]:checked').value;

    function commonOptions() {
        const options = [];
        if ($("cota").value) options.push($("cota").value);
        if ($("analise").checked) options.push("--analise");
        if ($("desenho").checked) options.push("--desenho");
        return options;
    }

    function showOptions() {
        for (const block of document.querySelectorAll(".opcoes"))
            block.hidden = !block.dataset.modos.split(" ").includes(mode());
    }

    function renderFiles(messages = new Map()) {
        const list = $("lista-ficheiros");
        list.replaceChildren();
        for (const name of chosen.keys()) {
            const item = document.createElement("li");
            const label = document.createElement("span");
            label.className = "nome";
            label.textContent = name;
            const remove = document.createElement("button");
            remove.type = "button";
            remove.textContent = "Tirar";
            remove.setAttribute("aria-label", `Tirar ${name}`);
            remove.addEventListener("click", () => {
                chosen.delete(name);
                renderFiles();
            });
            item.append(label, remove);
            for (const line of messages.get(name) || []) {
                const error = document.createElement("span");
                error.className = "erro";
                error.textContent = line;
                item.append(error);
            }
            list.append(item);
        }
        const known = $("pontos");
        const before = known.value;
        known.replaceChildren(...[...chosen.keys()].map((name) => new Option(name, name)));
        const guess = [...chosen.keys()].find((name) => /pontos|\.csv$/i.test(name));
        known.value = chosen.has(before) ? before : guess || [...chosen.keys()][0] || "";
        if (!chosen.has($("resposta-input").value)) $("resposta-input").value = [...chosen.keys()][0] || "";
        updateButton();
    }

    function updateButton() {
        $("calcular").disabled = program === null || chosen.size === 0;
    }

    async function addFiles(files) {
        for (const file of files) chosen.set(file.name, new Uint8Array(await file.arrayBuffer()));
        renderFiles();
    }

    // The error lines that name a file, beside that file.
    function messagesByFile(errorText) {
        const messages = new Map();
        for (const line of errorText.split("\n").filter(Boolean))
            for (const name of chosen.keys())
                if (line.includes(name)) messages.set(name, [...(messages.get(name) || []), line]);
        return messages;
    }

    // ---------------------------------------------------------------- the runs

    // How a run ended, for the table: the program's message says it all when there is one.
    function resultText(state, message) {
        if (!message) return state;
        return state === "erro" ? message : `${state}: ${message}`;
    }

    function fileRuns() {
        const results = [];
        for (const [name, bytes] of chosen) {
            const result = withSummary(new Map([[name, bytes]]), [name, ...commonOptions(), "-v"]);
            const file = result.summary && result.summary.ficheiros[0];
            results.push({
                title: name,
                ...result,
                row: {
                    file: name,
                    point: file && file.ponto,
                    M: file && file.planimetria && file.planimetria.M,
                    P: file && file.planimetria && file.planimetria.P,
                    C: file && file.altimetria && file.altimetria.C,
                    result: file ? resultText(file.estado, file.mensagem) : textOf(result.errors).trim(),
                },
            });
        }
        return results;
    }

    function sessionRuns() {
        const known = $("pontos").value;
        const records = [...chosen.keys()].filter((name) => name !== known);
        const args = ["--pontos", known, ...records, "--precisao", $("precisao").value.trim(), "--tolerancia", $("tolerancia").value.trim()];
        if ($("unidade").value) args.push("--unidade", $("unidade").value);
        const result = withSummary(chosen, [...args, ...commonOptions()]);
        const points = (result.summary && result.summary.pontos) || [];
        const consoleLines = textOf(result.console).split("\n");
        const taken = new Set();
        const results = points.map((point) => {
            const stem = (point.observacoes || point.nome).replace(/\.txt$/, "");
            const outputs = new Map([...result.outputs].filter(([name]) => name === `${stem}.txt` || name.startsWith(`${stem}-`)));
            outputs.forEach((_, name) => taken.add(name));
            const lines = consoleLines.filter((line) => line.startsWith(`${stem}.txt:`));
            const values = point.resultado || {};
            return {
                title: point.nome,
                status: result.status,
                console: utf8(lines.map((line) => line + "\n").join("")),
                errors: new Uint8Array(),
                outputs,
                row: { file: point.observacoes || "", point: point.nome, M: values.M, P: values.P, C: values.C, result: resultText(point.estado, point.motivo) },
            };
        });
        const rest = new Map([...result.outputs].filter(([name]) => !taken.has(name)));
        results.unshift({ title: "Sessão", status: result.status, console: result.console, errors: result.errors, outputs: rest, row: null });
        return results;
    }

    function dialogueRun() {
        const answers = [$("resposta-input").value, $("resposta-output").value, $("resposta-cota").value].map((answer) => answer + "\n").join("");
        const result = run(chosen, [], utf8(answers));
        return [{ title: $("resposta-input").value, ...result, dialogue: true, row: { file: $("resposta-input").value, result: result.status === 0 ? "fim" : textOf(result.errors).trim() } }];
    }

    // ---------------------------------------------------------------- the results

    function download(name, bytes) {
        const link = document.createElement("a");
        link.href = URL.createObjectURL(new Blob([bytes]));
        link.download = name.split("/").pop();
        document.body.append(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }

    function block(title, bytes, open) {
        const details = document.createElement("details");
        details.open = open;
        const summary = document.createElement("summary");
        summary.textContent = title;
        const pre = document.createElement("pre");
        pre.textContent = textOf(bytes);
        details.append(summary, pre);
        return details;
    }

    function card(result) {
        const section = document.createElement("section");
        section.className = "ponto" + (result.status === 0 ? "" : " falhou");
        const heading = document.createElement("h3");
        heading.textContent = result.title;
        section.append(heading);
        const errorText = textOf(result.errors).trim();
        if (errorText) {
            const message = document.createElement("p");
            message.className = "mensagem";
            message.textContent = errorText;
            section.append(message);
        }
        const buttons = document.createElement("div");
        buttons.className = "descargas";
        for (const [name, bytes] of result.outputs) {
            const button = document.createElement("button");
            button.type = "button";
            button.textContent = name;
            button.addEventListener("click", () => download(name, bytes));
            buttons.append(button);
        }
        section.append(buttons);
        const consoleBytes = joinBytes([result.console, result.errors]);
        if (consoleBytes.length) section.append(block("Consola", consoleBytes, false));
        for (const [name, bytes] of result.outputs) {
            if (name.endsWith("-relatorio.txt") || result.dialogue)
                section.append(block(`Relatório (${name})`, bytes, true));
            else if (name.endsWith("-analise.txt")) section.append(block(`Análise (${name})`, bytes, false));
            else if (name.endsWith(".svg")) {
                const figure = document.createElement("figure");
                figure.className = "desenho";
                const image = document.createElement("img");
                image.alt = `Desenho ${name}`;
                image.src = URL.createObjectURL(new Blob([bytes], { type: "image/svg+xml" }));
                figure.append(image);
                section.append(figure);
            }
        }
        return section;
    }

    function cell(row, label, value, numeric) {
        const td = document.createElement("td");
        td.dataset.label = label; // shown before the value where the table is stacked, on a phone
        if (numeric) td.className = "numero";
        td.textContent = typeof value === "number" ? value.toFixed(3) : value || "";
        row.append(td);
    }

    function showResults(results) {
        lastResults = results;
        const body = document.querySelector("#resumo tbody");
        body.replaceChildren();
        for (const { row } of results) {
            if (!row) continue;
            const tr = document.createElement("tr");
            cell(tr, "Ficheiro", row.file);
            cell(tr, "Ponto", row.point);
            cell(tr, "M", row.M, true);
            cell(tr, "P", row.P, true);
            cell(tr, "C", row.C, true);
            cell(tr, "Resultado", row.result);
            body.append(tr);
        }
        $("pontos-calculados").replaceChildren(...results.map(card));
        $("resultados").hidden = false;
        renderFiles(messagesByFile(results.map((result) => textOf(result.errors)).join("\n")));
    }

    function zipAll() {
        const entries = {};
        for (const result of lastResults)
            for (const [name, bytes] of result.outputs) entries[name in entries ? `${result.title}/${name}` : name] = bytes;
        const consoleText = lastResults.map((result) => joinBytes([result.console, result.errors]));
        entries["consola.txt"] = joinBytes(consoleText);
        download("interseccao-resultados.zip", fflate.zipSync(entries, { level: 6 }));
    }

    function calculate(event) {
        event.preventDefault();
        if (!program || chosen.size === 0) return;
        const runsOf = { ficheiros: fileRuns, sessao: sessionRuns, dialogo: dialogueRun };
        const results = runsOf[mode()]();
        showResults(results);
        const failed = results.filter((result) => result.status !== 0).length;
        $("estado").textContent = failed ? `Calculado; ${failed} com mensagens.` : "Calculado.";
    }

    // ---------------------------------------------------------------- start

    $("escolher").addEventListener("change", (event) => addFiles(event.target.files));
    const zone = $("largar");
    zone.addEventListener("dragover", (event) => {
        event.preventDefault();
        zone.classList.add("sobre");
    });
    zone.addEventListener("dragleave", () => zone.classList.remove("sobre"));
    zone.addEventListener("drop", (event) => {
        event.preventDefault();
        zone.classList.remove("sobre");
        addFiles(event.dataTransfer.files);
    });
    for (const radio of document.querySelectorAll('input[name="modo"]')) radio.addEventListener("change", showOptions);
    $("formulario").addEventListener("submit", calculate);
    $("zip").addEventListener("click", zipAll);
    showOptions();

    ready.then(
        (milliseconds) => {
            $("estado").textContent = "Pronto: escolha os ficheiros.";
            $("estado").classList.add("pronto");
            document.body.dataset.pronto = String(milliseconds);
            updateButton();
        },
        (error) => {
            $("estado").textContent = `O programa não arrancou: ${error}`;
        },
    );

    // For the tests and for scripts: one run on files given in base64, its results in base64.
    window.interseccao = {
        ready,
        run({ files, args = [], answers = "" }) {
            const inputs = new Map(Object.entries(files).map(([name, text]) => [name, fromBase64(text)]));
            const result = run(inputs, args, fromBase64(answers));
            return {
                status: result.status,
                stdout: toBase64(result.console),
                stderr: toBase64(result.errors),
                outputs: Object.fromEntries([...result.outputs].map(([name, bytes]) => [name, toBase64(bytes)])),
            };
        },
    };
})();
