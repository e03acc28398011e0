#!/usr/bin/env python3
"""Time and peak memory of reading large configuration files with
`quarvel-cli show`: a file of many entries and a file of line feeds, at 1 MB
and 15 MB, and the refusal of a 20 MB file. Usage: reader_bench.py QUARVEL_CLI"""
import os
import subprocess
import sys
import tempfile

MB = 1 << 20
ENTRY = ('    <JposEntry logicalName="Scanner {n}">\r\n'
         '        <creation factoryClass="f" serviceClass="s"/>\r\n'
         '        <jpos category="Scanner" version="1.14"/>\r\n'
         '        <prop name="portName" type="String" value="COM{n}"/>\r\n'
         '    </JposEntry>\r\n')


def entries(size):
    head = '<?xml version="1.0" encoding="UTF-8"?>\r\n<JposEntries>\r\n'
    parts, length, n = [head], len(head), 0
    while length < size:
        parts.append(ENTRY.format(n=n))
        length += len(parts[-1])
        n += 1
    return (''.join(parts) + '</JposEntries>\r\n').encode()


def entry_of_line_ends(size):
    return (b'<JposEntries>\n<JposEntry logicalName="S">\n\n<jpos category="Scanner"/>\n' + b'\n' * size +
            b'</JposEntry>\n</JposEntries>\n')


def tiny_entries(count):
    entry = '<JposEntry logicalName="{n}">\n\n<jpos category="S"/>\n</JposEntry>\n'
    return ('<JposEntries>\n' + ''.join(entry.format(n=n) for n in range(count)) + '</JposEntries>\n').encode()


def attributes(count):
    names = ''.join(f' a{n}="v"' for n in range(count))
    return ('<?xml version="1.0" encoding="UTF-8"?>\r\n<JposEntries>\r\n'
            f'<JposEntry logicalName="Scanner"{names}>\r\n'
            '<jpos category="Scanner" version="1.14"/>\r\n</JposEntry>\r\n</JposEntries>\r\n').encode()


def measure(cli, path):
    """Wall time and peak resident memory of one read, as GNU time gives
    them (a child of this process would count this process's memory)."""
    run = subprocess.run(['/usr/bin/time', '-f', '%e %M', cli, 'show', path],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    lines = run.stderr.decode(errors='replace').strip().splitlines()
    seconds, peak_kb = lines[-1].split()
    said = [line for line in lines[:-1] if not line.startswith('Command exited')]
    return run.returncode, float(seconds), int(peak_kb) / 1024, said


def main():
    cli = sys.argv[1]
    cases = [('1 MB of entries', entries(MB)), ('1 MB of line feeds', b'\n' * MB),
             ('15 MB of entries', entries(15 * MB)), ('15 MB of line feeds', b'\n' * (15 * MB)),
             ('20 MB of line feeds', b'\n' * (20 * MB)),
             ('15 MB of line ends in one entry', entry_of_line_ends(15 * MB)),
             ('246,722 tiny entries', tiny_entries(246722)),
             ('80,000 attributes', attributes(80000)), ('1.2 M attributes (13 MB)', attributes(1200000))]
    with tempfile.TemporaryDirectory() as folder:
        for name, content in cases:
            path = os.path.join(folder, 'jpos.xml')
            with open(path, 'wb') as f:
                f.write(content)
            code, seconds, peak_mb, err = measure(cli, path)
            verdict = 'read' if code == 0 else 'refused: ' + err[-1]
            print(f'{name:32} {seconds:6.2f} s  peak {peak_mb:6.1f} MB  {verdict}')
    print('target: peak memory at most about 4 times the file (kept entries are held), files over 16 MiB refused;')
    print('        time linear in the size (one element with many attributes included)')


if __name__ == '__main__':
    main()
