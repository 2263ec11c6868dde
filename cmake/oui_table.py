#!/usr/bin/env python3
"""Turns the IEEE MA-L registry listing (oui.txt of Debian's ieee-data) into the
compact sorted table that src/wireless/vendor.cpp compiles in.

Names are stored once each, as bytes in which the 128 words that save the most
are replaced by one byte 0x80..0xFF; a byte of the name that is itself 0x80 or
above is written as 0x01 followed by that byte. Prefixes are sorted, bucketed by
their first byte and stored as their last two bytes.

usage: oui_table.py OUI_TXT OUTPUT_INC
"""
import collections
import re
import sys

LINE = re.compile(r'^([0-9A-F]{2})-([0-9A-F]{2})-([0-9A-F]{2})\s+\(hex\)\s*(.*?)\s*$')
WORD = re.compile(rb'\S+ ?')
CODES = 128
ESCAPE = 0x01


def read_registry(path):
    prefixes = {}
    with open(path, encoding='utf-8') as f:
        for line in f:
            m = LINE.match(line)
            if m:
                prefix = int(m.group(1) + m.group(2) + m.group(3), 16)
                name = re.sub(r'[ \t]+', ' ', m.group(4)).strip(' ')
                if name:
                    prefixes[prefix] = name
    if len(prefixes) < 1000:
        sys.exit(f'{path}: only {len(prefixes)} prefixes read; is this the IEEE MA-L listing?')
    return prefixes


def choose_words(names):
    counts = collections.Counter()
    for name in names:
        counts.update(WORD.findall(name))
    ranked = sorted(counts.items(), key=lambda kv: (-(len(kv[0]) - 1) * kv[1], kv[0]))
    return [w for w, c in ranked if (len(w) - 1) * c > len(w)][:CODES]


def encode(name, codes):
    out = bytearray()
    for word in WORD.findall(name) or [name]:
        if word in codes:
            out.append(0x80 + codes[word])
            continue
        for b in word:
            if b >= 0x80 or b == ESCAPE:
                out.append(ESCAPE)
            out.append(b)
    if WORD.sub(b'', name):  # leading blanks cannot occur after the split above
        sys.exit(f'cannot encode {name!r}')
    return bytes(out)


def c_string(data, width=96):
    lines, line = [], ''
    for b in data:
        if b in (0x22, 0x5C):
            piece = '\\' + chr(b)
        elif 0x20 <= b < 0x7F and b != 0x3F:  # no '?': keeps trigraph-minded tools quiet
            piece = chr(b)
        else:
            piece = '\\%03o' % b
        line += piece
        if len(line) >= width:
            lines.append(line)
            line = ''
    lines.append(line)
    return '\n'.join(f'    "{l}"' for l in lines)


def c_numbers(values, per_line=16):
    rows = [', '.join(str(v) for v in values[i:i + per_line]) for i in range(0, len(values), per_line)]
    return ',\n'.join('    ' + r for r in rows)


def main():
    source, output = sys.argv[1], sys.argv[2]
    prefixes = read_registry(source)
    names = sorted({n.encode('utf-8') for n in prefixes.values()})
    words = choose_words(names)
    codes = {w: i for i, w in enumerate(words)}
    name_id, pool, offsets = {}, bytearray(), []
    for name in names:
        name_id[name] = len(offsets)
        offsets.append(len(pool))
        pool += encode(name, codes) + b'\0'
    word_pool, word_offsets = bytearray(), []
    for w in words:
        word_offsets.append(len(word_pool))
        word_pool += w + b'\0'

    ordered = sorted(prefixes)
    if len(ordered) >= 65536 or len(names) >= 65536:
        sys.exit('the table outgrew its 16-bit indexes')
    buckets = [0] * 257
    for p in ordered:
        buckets[(p >> 16) + 1] += 1
    for i in range(256):
        buckets[i + 1] += buckets[i]

    with open(output, 'w', encoding='ascii', newline='\n') as f:
        f.write(f'// Generated from {source} by cmake/oui_table.py; do not edit.\n')
        f.write(f'// {len(ordered)} prefixes, {len(names)} names.\n')
        f.write('namespace oui_table {\n')
        f.write(f'constexpr uint16_t kBucketStart[257] = {{\n{c_numbers(buckets)}}};\n')
        f.write(f'constexpr uint16_t kLow[{len(ordered)}] = {{\n{c_numbers([p & 0xFFFF for p in ordered])}}};\n')
        f.write(f'constexpr uint16_t kName[{len(ordered)}] = {{\n'
                f'{c_numbers([name_id[prefixes[p].encode("utf-8")] for p in ordered])}}};\n')
        f.write(f'constexpr uint32_t kNameStart[{len(offsets)}] = {{\n{c_numbers(offsets, 12)}}};\n')
        f.write(f'constexpr char kNames[{len(pool) + 1}] =\n{c_string(pool)};\n')
        f.write(f'constexpr uint16_t kWordStart[{len(word_offsets)}] = {{\n{c_numbers(word_offsets)}}};\n')
        f.write(f'constexpr char kWords[{len(word_pool) + 1}] =\n{c_string(word_pool)};\n')
        f.write('}  // namespace oui_table\n')


if __name__ == '__main__':
    main()
