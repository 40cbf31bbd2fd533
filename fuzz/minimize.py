#!/usr/bin/env python3
"""Puts back into a finding as many bytes of the fixture it came from as
keep the program refusing it for the same reason, so that the regression
kept of it is a few changed bytes, not thousands.

    minimize.py PROGRAM BASE FINDING OUT

Prints the reason, the words the program refuses the result with. Bytes
beyond the fixture's size stay as found.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile


def reason(program, data):
    """The program's reason for refusing `data` as its Data.mdb, or None."""
    with tempfile.TemporaryDirectory() as d:
        exe = os.path.join(d, "zentrel-loader")
        shutil.copy(program, exe)
        with open(os.path.join(d, "Data.mdb"), "wb") as f:
            f.write(data)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        run = subprocess.run([exe], capture_output=True, text=True, errors="replace", env=env, timeout=120)
        said = re.search(r"could not be read: (.*?)\. It was left as it is", run.stderr)
        return said.group(1) if run.returncode == 1 and said else None


def main():
    program, base_path, finding_path, out_path = sys.argv[1:5]
    base = open(base_path, "rb").read()
    found = open(finding_path, "rb").read()
    want = reason(program, found)
    if want is None:
        sys.exit(f"the program does not refuse {finding_path} as an unreadable Access file")
    common = min(len(base), len(found))
    changed = [i for i in range(common) if base[i] != found[i]]

    def build(keep):
        data = bytearray(base[:common]) + found[common:]
        for i in keep:
            data[i] = found[i]
        return bytes(data)

    # Delta debugging over the changed offsets: drop chunks while the
    # reason stays the same, halving the chunks when none can go.
    keep = changed
    chunks = 2
    while len(keep) >= 2:
        size = max(1, len(keep) // chunks)
        dropped = False
        for start in range(0, len(keep), size):
            rest = keep[:start] + keep[start + size:]
            if reason(program, build(rest)) == want:
                keep, chunks, dropped = rest, max(chunks - 1, 2), True
                break
        if not dropped:
            if size == 1:
                break
            chunks = min(chunks * 2, len(keep))
    open(out_path, "wb").write(build(keep))
    print(f"{len(changed)} changed bytes -> {len(keep)}", file=sys.stderr)
    print(want)


main()
