#!/usr/bin/env python3
"""Every ombrisk-cli example in the README runs as shown, in order, from a copy of the top folder's
inputs, and leaves the file it names; the sox lines among them make the recordings the later
examples read. Usage: readme_examples_test.py README OMBRISK-CLI SOURCE_DIR"""
import os
import shlex
import subprocess
import sys
import tempfile

README, CLI, SOURCE = sys.argv[1], sys.argv[2], sys.argv[3]
PREFIX = "./build/cli/ombrisk-cli "
SOX = "sox "
failures = []

examples = []
in_code = False
for line in open(README, encoding="utf-8"):
    if line.startswith("```"):
        in_code = not in_code
        continue
    line = line.split("#")[0].strip().rstrip("\\").strip()
    # Usage lines name their arguments in capitals; examples name real files.
    if line.startswith(PREFIX) and not any(word.isupper() for word in shlex.split(line)[2:4]):
        examples.append(shlex.split(line[len(PREFIX):]))
    elif line.startswith(SOX) and in_code and examples:
        examples.append(shlex.split(line))
if len(examples) < 4:
    failures.append("only %d examples found" % len(examples))

with tempfile.TemporaryDirectory() as top:
    for name in ("assets", "tests"):
        os.symlink(os.path.join(SOURCE, name), os.path.join(top, name))
    for arguments in examples:
        if arguments[0] == "sox":
            done = subprocess.run(arguments, cwd=top, capture_output=True, text=True)
            if done.returncode != 0:
                failures.append("%s: status %d, %s" % (" ".join(arguments), done.returncode, done.stderr.strip()))
            continue
        done = subprocess.run([CLI, *arguments], cwd=top, capture_output=True, text=True)
        output = os.path.join(top, arguments[2])
        if done.returncode != 0 or not os.path.isfile(output) or os.path.getsize(output) == 0:
            failures.append("%s: status %d, %s" % (" ".join(arguments), done.returncode, done.stderr.strip()))

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
