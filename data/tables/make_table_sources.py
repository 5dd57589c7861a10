#!/usr/bin/env python3
"""Turns Debian's Wubi table and word list into the definition texts the data
tool compiles: wubi.txt (code-table definition), sysl.txt (words of two or
more characters, for associations) and engl.txt (English words).

The entries keep the order of the source table: within one code it carries
the frequency, and the compiler turns file order into order values.
"""
import argparse
import os
import subprocess
import sys


def escape_word(word):
    return (word.replace('\\', '\\\\').replace('\t', '\\t')
            .replace('\r\n', '\\r').replace('\r', '\\r').replace('\n', '\\r'))


def write_utf16(path, lines):
    data = '\ufeff' + ''.join(line + '\r\n' for line in lines)
    with open(path, 'wb') as f:
        f.write(data.encode('utf-16-le'))


def read_wubi(mb2txt, mb):
    text = subprocess.run([mb2txt, mb], check=True, capture_output=True).stdout
    entries = []
    in_data = False
    for raw in text.decode('utf-8').splitlines():
        if raw.strip() == '[Data]':
            in_data = True
            continue
        if not in_data:
            continue
        parts = raw.split(' ', 1)
        if len(parts) != 2 or not parts[0] or not parts[1]:
            continue
        code, word = parts[0], parts[1].strip()
        if not code.isascii() or not word:
            continue
        entries.append((code, word))
    return entries


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--mb2txt', required=True)
    ap.add_argument('--mb', required=True)
    ap.add_argument('--words', required=True)
    ap.add_argument('--out', required=True)
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)

    entries = read_wubi(args.mb2txt, args.mb)
    if len(entries) < 1000:
        sys.exit('make_table_sources: the Wubi table looks empty')
    lines = ['---config@码表分类=主码-系统码表']
    lines += [escape_word(w) + '\t' + c for c, w in entries]
    write_utf16(os.path.join(args.out, 'wubi.txt'), lines)

    phrases = [w for _, w in entries if len(w) >= 2 and not w.startswith('//')]
    write_utf16(os.path.join(args.out, 'sysl.txt'), phrases)

    with open(args.words, encoding='utf-8') as f:
        words = [w.strip() for w in f]
    # Possessive forms add nothing to an English word list.
    words = [w for w in words if w and not w.endswith("'s") and not w.startswith('//')]
    write_utf16(os.path.join(args.out, 'engl.txt'), words)
    print(f'make_table_sources: {len(entries)} entries, {len(phrases)} phrases, '
          f'{len(words)} English words')


if __name__ == '__main__':
    main()
