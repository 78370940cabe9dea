#!/usr/bin/env python3
"""The Debian package as a user's apt gets it.
contents: extracted with dpkg-deb -x, it holds exactly the files a desktop and man look for, its
  control data names the libraries the programs link and the version of the build, and its
  stripped ombrisk-cli turns the sample picture into the same bytes as the build's own.
lint: lintian finds no error, and the menu entry and the software centre's entry validate.
Usage: package_test.py contents DEB VERSION WITH_GUI CLI PICTURE
       package_test.py lint DEB VERSION WITH_GUI"""
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

MODE, DEB, VERSION, WITH_GUI = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
failures = []
# What "Open With" offers the program for: the pictures it loads, the sounds libsndfile decodes.
PICTURE_TYPES = ["image/bmp", "image/jpeg", "image/png"]
SOUND_TYPES = ["audio/flac", "audio/x-flac", "audio/wav", "audio/x-wav", "audio/mpeg", "audio/ogg", "audio/x-vorbis+ogg",
               "audio/x-opus+ogg", "audio/x-aiff"]


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def metainfo_name(root):
    folder = os.path.join(root, "usr/share/metainfo")
    names = os.listdir(folder) if os.path.isdir(folder) else []
    check(len(names) == 1, "one software centre entry: %s" % names)
    return os.path.join("usr/share/metainfo", names[0]) if names else None


def contents(root, cli, picture):
    files = sorted(os.path.relpath(os.path.join(folder, name), root)
                   for folder, _, names in os.walk(root) for name in names)
    expected = ["usr/bin/ombrisk-cli", "usr/share/doc/ombrisk/changelog.gz", "usr/share/doc/ombrisk/copyright",
                "usr/share/man/man1/ombrisk-cli.1.gz"]
    if WITH_GUI:
        expected += ["usr/bin/ombrisk", "usr/share/applications/ombrisk.desktop",
                     "usr/share/icons/hicolor/256x256/apps/ombrisk.png",
                     "usr/share/icons/hicolor/scalable/apps/ombrisk.svg", "usr/share/man/man1/ombrisk.1.gz",
                     metainfo_name(root)]
    check(files == sorted(expected), "the package's files: %s, expected %s" % (files, sorted(expected)))

    control = run("dpkg-deb", "--field", DEB, "Package", "Version", "Architecture", "Depends").stdout
    check("Package: ombrisk\n" in control and "Version: %s\n" % VERSION in control and "Architecture: amd64\n" in control,
          "control names the package, version and architecture: %s" % control)
    depends = re.search(r"^Depends: (.*)$", control, re.M)
    depends = [entry.split()[0] for entry in depends.group(1).split(", ")] if depends else []
    # Found by dpkg-shlibdeps in the binaries, and the font that no binary links.
    for package in ["libc6", "libjpeg62-turbo", "zlib1g", "fonts-dejavu-core"] + (["libqt6widgets6"] if WITH_GUI else []):
        check(package in depends, "Depends names %s: %s" % (package, depends))

    with gzip.open(os.path.join(root, "usr/share/doc/ombrisk/changelog.gz"), "rt", encoding="utf-8") as changelog:
        check(changelog.readline().startswith("ombrisk (%s) " % VERSION), "the changelog's newest entry is this version")

    packed_cli = os.path.join(root, "usr/bin/ombrisk-cli")
    version = run(packed_cli, "--version")
    check(version.returncode == 0 and version.stdout == "ombrisk-cli %s\n" % VERSION, "packed CLI's version: %r" % (version,))
    with tempfile.TemporaryDirectory() as scratch:
        waves = []
        for program in (packed_cli, cli):
            wave = os.path.join(scratch, "%d.wav" % len(waves))
            done = run(program, "synth", picture, wave, "--quiet")
            check(done.returncode == 0, "%s synth: %s" % (program, done.stderr))
            waves.append(open(wave, "rb").read() if os.path.exists(wave) else b"")
        check(len(waves[0]) > 44 and waves[0] == waves[1], "the packed CLI's wave is the build's")

    if WITH_GUI:
        # Answered before any display is sought, so it runs where there is none.
        environment = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        environment.pop("QT_QPA_PLATFORM", None)
        version = run(os.path.join(root, "usr/bin/ombrisk"), "--version", env=environment)
        check(version.returncode == 0 and version.stdout == "ombrisk %s\n" % VERSION, "packed program's version: %r" % (version,))
        entry = open(os.path.join(root, "usr/share/applications/ombrisk.desktop"), encoding="utf-8").read().splitlines()
        check("Exec=ombrisk %f" in entry, "Open With hands the menu entry's program one file")
        check("MimeType=" + "".join(kind + ";" for kind in PICTURE_TYPES + SOUND_TYPES) in entry,
              "the menu entry opens the picture and sound types")
        component = ElementTree.parse(os.path.join(root, metainfo_name(root))).getroot()
        check(component.find("launchable").text == "ombrisk.desktop", "the software centre's entry launches the menu entry")
        release = component.find("releases/release")
        check(release is not None and release.get("version") == VERSION, "the newest release is this version")
        check(sorted(media.text for media in component.findall("provides/mediatype")) == sorted(PICTURE_TYPES + SOUND_TYPES),
              "the software centre's entry opens the picture and sound types")
        source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        for image in component.findall("screenshots/screenshot/image"):
            path = re.sub(r"^https?://[^/]+/", "", image.text)
            check(os.path.isfile(os.path.join(source, path)), "screenshot %s is a file of the repository" % path)


def lint(root):
    tools = {"lintian": "lintian", "appstreamcli": "appstream", "desktop-file-validate": "desktop-file-utils"}
    absent = [package for tool, package in tools.items() if shutil.which(tool) is None]
    if absent:
        print("skipped: lint tools missing (Debian packages %s)" % ", ".join(absent))
        sys.exit(77)
    # Warnings are reported for the record; only errors fail.
    done = run("lintian", "--fail-on", "error", DEB)
    print(done.stdout, end="")
    check(done.returncode == 0, "lintian: %s%s" % (done.stdout, done.stderr))
    if WITH_GUI:
        done = run("desktop-file-validate", os.path.join(root, "usr/share/applications/ombrisk.desktop"))
        check(done.returncode == 0 and " error: " not in done.stdout, "desktop-file-validate: %s" % done.stdout)
        done = run("appstreamcli", "validate-tree", "--no-net", root)
        check(done.returncode == 0, "appstreamcli validate-tree: %s%s" % (done.stdout, done.stderr))


with tempfile.TemporaryDirectory() as root:
    extracted = run("dpkg-deb", "-x", DEB, root)
    if extracted.returncode != 0:
        print("FAILED: dpkg-deb -x %s: %s" % (DEB, extracted.stderr))
        sys.exit(1)
    if MODE == "contents":
        contents(root, sys.argv[5], sys.argv[6])
    else:
        lint(root)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
