// The faker baseline of bench/compare.sh: writes the ten fields of
// examples/people.qrp to a CSV file the way plenkor writes them (a header
// row, comma, a field in double quotes when it holds a comma, a double quote
// or a line end, its quotes doubled; CRLF line ends), through a buffer of
// 1 MiB, and prints the rows per second.
//
//   node people.mjs --rows N --output FILE
import { openSync, writeSync, closeSync } from 'node:fs';
import { faker } from '@faker-js/faker';

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at >= 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const rows = Number.parseInt(option('--rows', '1000000'), 10);
const output = option('--output', 'people-faker.csv');
if (!Number.isInteger(rows) || rows < 0) {
  console.error('--rows needs a whole number');
  process.exit(2);
}

const needsQuotes = /[,"\r\n]/;
function field(text) {
  return needsQuotes.test(text) ? `"${text.replaceAll('"', '""')}"` : text;
}

const two = (n) => (n < 10 ? `0${n}` : `${n}`);
const from = new Date(Date.UTC(1950, 0, 1));
const to = new Date(Date.UTC(2005, 11, 31));

const fd = openSync(output, 'w');
const limit = 1 << 20;
let buffer = 'FirstName,LastName,Email,Phone,Address,City,BirthDate,Salary,Age,Id\r\n';
const started = process.hrtime.bigint();
for (let i = 0; i < rows; i++) {
  const born = faker.date.between({ from, to });
  const line = [
    faker.person.firstName(),
    faker.person.lastName(),
    faker.internet.email(),
    faker.helpers.replaceSymbols('(###) ###-####'),
    `${faker.number.int({ min: 1, max: 250 })}, ${faker.location.street()}`,
    faker.location.city(),
    `${two(born.getUTCDate())}/${two(born.getUTCMonth() + 1)}/${born.getUTCFullYear()}`,
    faker.number.float({ min: 1000, max: 9000, fractionDigits: 2 }).toFixed(2),
    String(faker.number.int({ min: 18, max: 90 })),
    faker.string.uuid(),
  ];
  buffer += line.map(field).join(',') + '\r\n';
  if (buffer.length >= limit) {
    writeSync(fd, buffer);
    buffer = '';
  }
}
writeSync(fd, buffer);
closeSync(fd);
const seconds = Number(process.hrtime.bigint() - started) / 1e9;
console.log(`faker      CSV file ${rows} rows ${seconds.toFixed(2)} s ${Math.round(rows / seconds)} rows/s`);
