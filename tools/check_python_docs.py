#!/usr/bin/env python3
"""Runs every Python example of the given Markdown files, so that what the
README and docs/PYTHON.md show keeps working as written.

A ```python block runs as a script, each in a fresh interpreter inside an
empty folder; a block whose first line is a comment naming a test file
("# test_something.py") is saved under that name and run with pytest, with
the qd5 plugin. A block that should not run is fenced as ```text.

Usage: tools/check_python_docs.py FILE.md... (qd5 importable: PYTHONPATH)
"""
import os
import re
import subprocess
import sys
import tempfile

BLOCK = re.compile(r"^```python\n(.*?)^```", re.S | re.M)
TEST_FILE = re.compile(r"# (test_\w+\.py)\n")


def blocks(path):
    text = open(path, encoding="utf-8").read()
    for match in BLOCK.finditer(text):
        yield text.count("\n", 0, match.start()) + 2, match.group(1)


def main():
    # The examples run in folders of their own: a relative PYTHONPATH would be lost.
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(os.path.abspath(p) for p in env.get("PYTHONPATH", "").split(os.pathsep) if p)
    failed = 0
    count = 0
    for path in sys.argv[1:]:
        for line, code in blocks(path):
            count += 1
            with tempfile.TemporaryDirectory() as folder:
                test = TEST_FILE.match(code)
                if test:
                    with open(os.path.join(folder, test.group(1)), "w", encoding="utf-8") as f:
                        f.write(code)
                    command = [sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", test.group(1)]
                else:
                    command = [sys.executable, "-c", code]
                run = subprocess.run(command, cwd=folder, env=env, capture_output=True, text=True, timeout=300)
            if run.returncode != 0:
                failed += 1
                print(f"{path}:{line}: the example fails\n{run.stdout}{run.stderr}", file=sys.stderr)
    print(f"{count} examples run, {failed} failed")
    return 1 if failed or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
