#!/usr/bin/env node
// Reads an .xls file with SheetJS and prints its first sheet as JSON on standard output:
//   {"rows": R, "cols": C, "cells": [[row, col, type, value], ...]}
// in row-major order, one entry per cell that SheetJS found (blank cells included, type "z").
// Rows and columns are 0-based. Exit code 2 when the file cannot be read.
'use strict';

const fs = require('fs');
const path = require('path');
const XLSX = require(path.join(__dirname, 'node_modules', 'xlsx'));

const file = process.argv[2];
if (!file) {
  process.stderr.write('usage: read-xls.js FILE.xls\n');
  process.exit(2);
}

let workbook;
try {
  // SheetJS reads nearly anything as some kind of sheet: insist on a BIFF worksheet.
  const bytes = fs.readFileSync(file);
  if (bytes.length < 4 || bytes.readUInt16LE(0) !== 0x0809) {
    throw new Error('not a BIFF worksheet (no BOF record at the start)');
  }
  workbook = XLSX.read(bytes, { type: 'buffer', sheetStubs: true, cellDates: false, raw: true });
} catch (e) {
  process.stderr.write(`cannot read ${file}: ${e.message}\n`);
  process.exit(2);
}

const sheet = workbook.SheetNames.length > 0 ? workbook.Sheets[workbook.SheetNames[0]] : null;
if (!sheet) {
  process.stderr.write(`cannot read ${file}: no worksheet found\n`);
  process.exit(2);
}
const cells = [];
let rows = 0;
let cols = 0;
for (const key of Object.keys(sheet)) {
  if (key[0] === '!') continue;
  const at = XLSX.utils.decode_cell(key);
  const cell = sheet[key];
  cells.push([at.r, at.c, cell.t, cell.t === 'z' ? null : cell.v]);
  rows = Math.max(rows, at.r + 1);
  cols = Math.max(cols, at.c + 1);
}
cells.sort((a, b) => a[0] - b[0] || a[1] - b[1]);
process.stdout.write(JSON.stringify({ rows, cols, cells }));
