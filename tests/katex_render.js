// Renders each TeX text of a JSON array (stdin) with KaTeX in display mode, strictly; prints a JSON
// array (stdout) holding, for each text, null when it rendered or the error's message when not.
"use strict";
const fs = require("fs");
const katex = require("katex");

const texts = JSON.parse(fs.readFileSync(0, "utf8"));
const results = texts.map((tex) => {
  try {
    katex.renderToString(tex, {displayMode: true, throwOnError: true, strict: "error"});
    return null;
  } catch (error) {
    return String(error.message);
  }
});
process.stdout.write(JSON.stringify(results));
