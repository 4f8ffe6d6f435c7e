// Prints what the independent reader mdb-reader sees in an .mdb file, as JSON on stdout:
//   node dump.mjs FILE            -> {"tables": [names of user tables]}
//   node dump.mjs FILE TABLE      -> {"columns": [{name, type}], "rows": [{column: value}]}
// Binary values are printed as base64, dates as ISO strings.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, table] = process.argv.slice(2);
if (!file) {
  console.error("usage: node dump.mjs FILE [TABLE]");
  process.exit(2);
}
const reader = new MDBReader(readFileSync(file));
if (!table) {
  console.log(JSON.stringify({ tables: reader.getTableNames() }));
} else {
  const t = reader.getTable(table);
  const columns = t.getColumns().map((c) => ({ name: c.name, type: c.type }));
  const rows = t.getData().map((row) => {
    const out = {};
    for (const [k, v] of Object.entries(row)) {
      if (v instanceof Date) out[k] = v.toISOString();
      else if (Buffer.isBuffer(v)) out[k] = v.toString("base64");
      else out[k] = v;
    }
    return out;
  });
  console.log(JSON.stringify({ columns, rows }));
}
