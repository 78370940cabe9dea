#!/usr/bin/env python3
"""cmake --install into a scratch prefix: the programs, the menu entry, the icons and the manual
pages land where desktops and man look for them, the installed CLI runs, and the manual page
names every option the CLI's own help lists.
Usage: install_test.py CMAKE BUILD_DIR WITH_GUI(0|1)"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

CMAKE, BUILD, WITH_GUI = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as prefix:
    done = subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
    check(done.returncode == 0, "install: %s" % done.stderr)
    expected = ["bin/ombrisk-cli", "share/man/man1/ombrisk-cli.1"]
    if WITH_GUI:
        expected += ["bin/ombrisk", "share/applications/ombrisk.desktop", "share/man/man1/ombrisk.1",
                     "share/icons/hicolor/scalable/apps/ombrisk.svg", "share/icons/hicolor/256x256/apps/ombrisk.png"]
    for name in expected:
        check(os.path.isfile(os.path.join(prefix, name)), "installed " + name)
    for name in ("bin/ombrisk-cli", "bin/ombrisk"):
        if name in expected:
            check(os.access(os.path.join(prefix, name), os.X_OK), name + " is executable")

    cli = os.path.join(prefix, "bin/ombrisk-cli")
    version = subprocess.run([cli, "--version"], capture_output=True, text=True)
    check(version.returncode == 0 and version.stdout.strip() == "ombrisk-cli 1.00", "installed CLI runs: %r" % (version,))

    manual = open(os.path.join(prefix, "share/man/man1/ombrisk-cli.1"), encoding="utf-8").read().replace("\\-", "-")
    for command in ("synth", "analyze", "grey"):
        text = subprocess.run([cli, command, "--help"], capture_output=True, text=True).stdout
        check(command in manual, "the manual page has " + command)
        for option in sorted(set(re.findall(r"--[a-z][a-z-]*", text)) - {"--help"}):
            check(option in manual, "the manual page names %s %s" % (command, option))

    if WITH_GUI:
        entry = open(os.path.join(prefix, "share/applications/ombrisk.desktop"), encoding="utf-8").read()
        for line in ("[Desktop Entry]", "Type=Application", "Exec=ombrisk %f", "Icon=ombrisk", "Terminal=false"):
            check(line in entry.splitlines(), "the menu entry has " + line)
        png = open(os.path.join(prefix, "share/icons/hicolor/256x256/apps/ombrisk.png"), "rb").read()
        check(png[:8] == b"\x89PNG\r\n\x1a\n" and png[16:24] == bytes([0, 0, 1, 0, 0, 0, 1, 0]), "256 x 256 PNG icon")

    groff = shutil.which("groff")
    for page in [name for name in expected if name.startswith("share/man/")] if groff else []:
        render = subprocess.run([groff, "-man", "-Tutf8", "-ww", "-z", os.path.join(prefix, page)],
                                capture_output=True, text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
        check(render.returncode == 0 and render.stderr == "", page + " renders cleanly: " + render.stderr)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
