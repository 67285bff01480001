// Prints the rows of the table in pattern_matcher_test.cpp (kJsReference) as a JavaScript
// engine answers them, so the matcher's dialect can be checked against ECMAScript's.
//
//   node tests/text/js_reference.mjs   # then paste the rows into kJsReference
//
// Each row: name, pattern, flags ("i" ignore case, "m" multi-line, "g" global), subject,
// replacement, the matches, the subject with its matches replaced. A match is written
// "position:text", followed by "(position:text)" for each group, "(-)" for a group that took
// no part. Positions are byte offsets in the code page 936 subject. "!" stands for a pattern
// the engine rejects.

const cases = [
  // name, pattern, flags, subject, replacement
  ['global digits', '\\d+', 'igm', 'a12b345', '<$&>'],
  ['first match only', '\\d+', 'im', 'a12b345', '<$&>'],
  ['case ignored', '<a href="(.*?)">', 'igm', '<A HREF="x">', '$1'],
  ['case kept', '<a', 'gm', '<A <a', '-'],
  ['lazy group stops at a line break', '<b>(.*?)</b>', 'igm', '<b>x\r\n</b><b>y</b>', '[$1]'],
  ['dot matches neither CR nor LF', 'a.c', 'igm', 'a\rc a\nc abc', '-'],
  ['^ and $ at every line break', '^\\w+$', 'igm', 'ab\r\ncd\ref\ngh', '<$&>'],
  ['^ and $ at the ends only', '^\\w+$', 'ig', 'ab\r\ncd', '-'],
  ['$ not before a final line break', 'b$', 'ig', 'ab\n', '-'],
  ['empty class matches nothing', 'a[]b|c', 'igm', 'ab c', '-'],
  ['negated empty class matches anything', 'a[^]b', 'igm', 'a\nb', '-'],
  ['unset group', '(a)|(b)', 'igm', 'ba', '[$1|$2]'],
  ['back-reference to an unset group', '(a)?b\\1', 'igm', 'b', '-'],
  ['\\u and \\x escapes', '\\u0041\\x42', 'gm', 'xABy', '-'],
  ['short \\u and \\x are letters', '\\u12\\x4', 'igm', 'u12x4', '-'],
  ['escaped letters without a meaning', '\\U\\q\\y', 'gm', 'Uqy', '-'],
  ['braces without a count', 'a{,2}x{', 'igm', 'a{,2}x{', '-'],
  ['named group counts as a group', '(?<y>\\d+)-(\\d+)', 'igm', '12-34', '$2-$1'],
  ['lookahead and lookbehind', '(?<=a)b(?=c)', 'igm', 'abc bbc', '-'],
  ['word boundary next to a double-byte character', '\\bab\\b', 'igm', '中ab', '-'],
  ['full-width and Greek letters fold', 'ａσ', 'igm', 'ＡΣ', '-'],
  ['empty matches move on', 'x*', 'igm', 'abc', '-'],
  ['empty match right after a match', 'a*', 'igm', 'baaac', '-'],
  ['empty matches over double-byte text', '', 'igm', '覽註', '-'],
  ['positions after double-byte text', '\\[(.*?)\\]', 'igm', '覽[註]觸[誠]', '<$1>'],
  ['trail bytes are no pattern characters', '\\||\\\\|\\[|\\]', 'igm', '觸誠覽註|\\[]', '-'],
  ['caseless over a trail byte "a"', 'a', 'igm', '癮a', '-'],
  ['group position where it matched', 'x(\\d)\\d(\\d)', 'igm', '覽x121', '-'],
  ['groups in the replacement', '(\\w)(\\d)', 'igm', 'a1 b2', '$2$1'],
  ['match, before, after, dollar', 'b', 'igm', 'abc', '[$&|$`|$\'|$$]'],
  ['$0, a missing group and a last $ stay', '(b)', 'igm', 'abc', '$0$2$'],
  ['two digits when that group exists', '(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)', 'igm', 'abcdefghij',
   '$10|$01|$011|$00'],
  ['one digit when only that group exists', '(a)', 'igm', 'a', '$10|$1x|$x|$<n>'],
  ['unbalanced group', '(', 'igm', 'a', '-'],
  ['reversed range', '[b-a]', 'igm', 'a', '-'],
];

// Code page 936 length: one byte for ASCII, two for any other character used here.
function gbkLength(text) {
  let n = 0;
  for (const ch of text) {
    const cp = ch.codePointAt(0);
    const doubleByte = (cp >= 0x4e00 && cp <= 0x9fff) || (cp >= 0xff01 && cp <= 0xff5e) ||
        (cp >= 0x391 && cp <= 0x3c9);
    if (cp >= 0x80 && !doubleByte) throw new Error(`no known GBK length for U+${cp.toString(16)}`);
    n += cp < 0x80 ? 1 : 2;
  }
  return n;
}

function describe(subject, match) {
  const at = (i) => gbkLength(subject.slice(0, i));
  let out = `${at(match.index)}:${match[0]}`;
  for (let g = 1; g < match.length; ++g) {
    out += match[g] === undefined ? '(-)' : `(${at(match.indices[g][0])}:${match[g]})`;
  }
  return out;
}

function run(pattern, flags, subject, replacement) {
  const make = () => new RegExp(pattern, 'd' + flags);
  try {
    make();
  } catch {
    return ['!', ''];
  }
  const matches = flags.includes('g') ? [...subject.matchAll(make())] :
                                        [make().exec(subject)].filter((m) => m !== null);
  return [matches.map((m) => describe(subject, m)).join(' '), subject.replace(make(), replacement)];
}

function literal(text) {
  let out = '"';
  for (const ch of text) {
    const cp = ch.codePointAt(0);
    if (ch === '"' || ch === '\\') out += '\\' + ch;
    else if (ch === '\r') out += '\\r';
    else if (ch === '\n') out += '\\n';
    else if (cp < 0x20) out += '\\' + cp.toString(8).padStart(3, '0');
    else out += ch;
  }
  return out + '"';
}

for (const [name, pattern, flags, subject, replacement] of cases) {
  const [matches, replaced] = run(pattern, flags, subject, replacement);
  const row = [name, pattern, flags, subject, replacement, matches, replaced].map(literal);
  console.log(`    {${row.join(', ')}},`);
}
