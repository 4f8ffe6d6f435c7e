// Compares what a user put on the clipboard with what Quillet shows and stores: the rows of its list
// (read from outside by list_reader.exe) and the records of Data.mdb as two independent readers see
// them (mdb-json from mdbtools, and mdb-reader through tests/readers/dump.mjs). Prints one PASS or FAIL
// line per check; exit code 1 when any failed.
//
//   node history_check.mjs LABEL [--expect ID FILE]... [--from N] [--all]
//        [--expect-jsonl FILE] [--rows FILE] [--mdb-json FILE] [--mdb-reader FILE] [--after TIME] [--before TIME]
//        [--times-as FILE]
//
// --expect ID FILE  the next expected entry: its ID text and its text (a UTF-8 file, as it was put on the
//                   clipboard; Windows holds its line breaks as CR LF)
// --expect-jsonl FILE  expected entries {"id","time","text"}, one per line, texts as Windows holds them
// --from N          the first expected entry is entry N of each source (default 0)
// --all             each source holds exactly the expected entries after the first N
// --rows FILE       list_reader.exe rows output (JSON lines: row, id, time, text)
// --mdb-json FILE   mdb-json output (JSON lines: ID, 时间, 文本 as the stored form, Base64)
// --mdb-reader FILE dump.mjs output ({"rows": [...]})
// --after/--before  every time lies in [after, before] (text comparison of "YYYY-MM-DD HH:MM:SS")
// --times-as FILE   the times must equal those of an earlier list_reader output (same entries)
import { readFileSync } from "node:fs";

const args = process.argv.slice(2);
const label = args.shift();
const expected = [];
let from = 0, all = false, after = null, before = null;
const sources = [];
let timesAs = null;
while (args.length) {
  const option = args.shift();
  if (option === "--expect") {
    const id = args.shift();
    const text = readFileSync(args.shift(), "utf8").replace(/\r?\n/g, "\r\n");
    expected.push({ id, text });
  } else if (option === "--expect-jsonl") {
    // {"id", "time", "text"} per line, the text exactly as Windows holds it; the time must match too.
    for (const line of readFileSync(args.shift(), "utf8").split("\n")) {
      if (line.startsWith("{")) expected.push(JSON.parse(line));
    }
  } else if (option === "--from") from = Number(args.shift());
  else if (option === "--all") all = true;
  else if (option === "--after") after = args.shift();
  else if (option === "--before") before = args.shift();
  else if (option === "--rows") sources.push({ kind: "list", file: args.shift() });
  else if (option === "--mdb-json") sources.push({ kind: "mdb-json", file: args.shift() });
  else if (option === "--mdb-reader") sources.push({ kind: "mdb-reader", file: args.shift() });
  else if (option === "--times-as") timesAs = args.shift();
  else {
    console.log(`FAIL: ${label}: unknown option ${option}`);
    process.exit(1);
  }
}

let failed = 0;
const pass = (what) => console.log(`PASS: ${label}: ${what}`);
const fail = (what) => {
  failed++;
  console.log(`FAIL: ${label}: ${what}`);
};
const jsonLines = (file) =>
  readFileSync(file, "utf8").split("\n").filter((l) => l.startsWith("{")).map((l) => JSON.parse(l));

// The stored form: Base64 of the UTF-8 bytes and one zero byte.
function decodeStored(stored) {
  const bytes = Buffer.from(stored ?? "", "base64");
  return { zero: bytes.length > 0 && bytes[bytes.length - 1] === 0, text: bytes.subarray(0, -1).toString("utf8") };
}
const storedForm = (text) => Buffer.concat([Buffer.from(text, "utf8"), Buffer.from([0])]).toString("base64");
const short = (text) => JSON.stringify(text.length > 40 ? text.slice(0, 40) + "…" : text);
const timePattern = /^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}$/;

function entriesOf(source) {
  try {
    if (source.kind === "list") return jsonLines(source.file).map((r) => ({ id: r.id, time: r.time, text: r.text }));
    if (source.kind === "mdb-json")
      return jsonLines(source.file).map((r) => {
        const [id, time, stored] = Object.values(r);
        return { id, time, stored };
      });
    const dump = JSON.parse(readFileSync(source.file, "utf8"));
    return dump.rows.map((r) => {
      const [id, time, stored] = Object.values(r);
      return { id, time, stored };
    });
  } catch (error) {
    return { error: String(error.message ?? error) };
  }
}

const earlierTimes = timesAs ? jsonLines(timesAs).map((r) => r.time) : null;
for (const source of sources) {
  const entries = entriesOf(source);
  if (entries.error) {
    fail(`${source.kind} could not be read: ${entries.error}`);
    continue;
  }
  const want = from + expected.length;
  if (all ? entries.length !== want : entries.length < want) {
    fail(`${source.kind} holds ${entries.length} entries, expected ${all ? "" : "at least "}${want}`);
  } else {
    pass(`${source.kind} holds ${all ? "exactly " : ""}${entries.length} entries`);
  }
  const problems = [];
  let cut = 0;
  expected.forEach((e, k) => {
    const i = from + k;
    const got = entries[i];
    if (!got) return problems.push(`entry ${i} missing`);
    if (got.id !== e.id) problems.push(`entry ${i}: ID ${JSON.stringify(got.id)}, expected ${JSON.stringify(e.id)}`);
    if (!timePattern.test(got.time ?? "")) problems.push(`entry ${i}: time ${JSON.stringify(got.time)}`);
    else if ((after && got.time < after) || (before && got.time > before))
      problems.push(`entry ${i}: time ${got.time} outside ${after} .. ${before}`);
    if (e.time !== undefined && e.time !== got.time)
      problems.push(`entry ${i}: time ${got.time}, expected ${e.time}`);
    if (earlierTimes && earlierTimes[i] !== got.time)
      problems.push(`entry ${i}: time ${got.time}, shown before as ${earlierTimes[i]}`);
    if (source.kind === "list") {
      if (got.text !== e.text) problems.push(`entry ${i}: text ${short(got.text)}, expected ${short(e.text)}`);
    } else {
      const whole = storedForm(e.text);
      // mdbtools 1.0 hands out at most 200 000 bytes of a value: a longer stored form is compared by its
      // beginning there (mdb-reader reads it whole).
      if (source.kind === "mdb-json" && whole.length > 200000 && got.stored.length >= 199990 &&
          whole.startsWith(got.stored)) {
        cut++;
      } else {
        const { zero, text } = decodeStored(got.stored);
        if (!zero) problems.push(`entry ${i}: the stored form lacks its terminating zero byte`);
        if (text !== e.text) problems.push(`entry ${i}: stored text ${short(text)}, expected ${short(e.text)}`);
        if (got.stored !== whole) problems.push(`entry ${i}: stored form is not Base64 of UTF-8 and one zero`);
      }
    }
  });
  if (problems.length) fail(`${source.kind}: ${problems.slice(0, 6).join("; ")}${problems.length > 6 ? "; …" : ""}`);
  else
    pass(`${source.kind}: entries ${from}..${from + expected.length - 1} have the expected IDs, times and texts` +
         (cut ? ` (${cut} value(s) longer than mdb-json's 200 000-byte limit compared by their first 200 000 bytes)` : ""));
}
process.exit(failed ? 1 : 0);
