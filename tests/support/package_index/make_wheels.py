#!/usr/bin/env python3
"""Builds the wheels the test package index serves, offline, standard library only.

Commands:
  make_wheels.py standard OUT_DIR
      the fixture packages (vxdemo 1.0 and 2.0, vxapp, vxbroken, Vx_Mixed.Name)
  make_wheels.py wheel OUT_DIR --name N --version V [--summary S] [--license L]
                 [--requires-python R] [--requires-dist D ...]
      one tiny pure-Python wheel
  make_wheels.py core OUT_DIR [--above-pip V] [--above-setuptools V]
      pip, setuptools and wheel newer than the ones a Debian venv starts with;
      prints one "NAME VERSION" line per wheel put into OUT_DIR, exits 3 when
      no newer pip wheel exists on this machine.

A wheel is a zip with the package, a dist-info folder (METADATA, WHEEL) and a
RECORD that lists every file with its sha256, so pip installs it unchanged.
"""

import argparse
import base64
import glob
import hashlib
import os
import re
import shutil
import sys
import zipfile

# Fixed zip timestamps keep the wheels (and their hashes) identical across runs.
ZIP_TIME = (2024, 1, 2, 3, 4, 6)

DEBIAN_WHEELS = "/usr/share/python-wheels"
BUNDLED_WHEEL_GLOBS = [
    DEBIAN_WHEELS + "/{name}-*.whl",
    "/root/.pyenv/versions/*/lib/python3.*/ensurepip/_bundled/{name}-*.whl",
    "/usr/lib/python3*/ensurepip/_bundled/{name}-*.whl",
    "/usr/local/lib/python3*/ensurepip/_bundled/{name}-*.whl",
]


def normalize(name):
    return re.sub(r"[-_.]+", "-", name).lower()


def wheel_file_stem(name):
    # Wheel file names spell runs of "-", "_", "." as one "_".
    return re.sub(r"[-_.]+", "_", name)


def version_key(text):
    """Orders plain release versions ("23.2.1", "2.0"); a suffix sorts below its release."""
    match = re.match(r"^(\d+(?:\.\d+)*)(.*)$", text)
    if not match:
        return ((), 0, text)
    release = tuple(int(p) for p in match.group(1).split("."))
    while release and release[-1] == 0:
        release = release[:-1]
    suffix = match.group(2)
    if suffix == "":
        rank = 1
    elif re.match(r"^[.-]?post", suffix):
        rank = 2
    else:
        rank = 0
    return (release, rank, suffix)


def record_hash(data):
    digest = hashlib.sha256(data).digest()
    return "sha256=" + base64.urlsafe_b64encode(digest).rstrip(b"=").decode("ascii")


def write_wheel(path, files, record_name):
    """files: list of (archive name, bytes); RECORD is added last."""
    lines = []
    for arcname, data in files:
        lines.append("%s,%s,%d" % (arcname, record_hash(data), len(data)))
    lines.append(record_name + ",,")
    record = ("\n".join(lines) + "\n").encode("utf-8")
    tmp = path + ".part"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as zf:
        for arcname, data in files + [(record_name, record)]:
            info = zipfile.ZipInfo(arcname, ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            zf.writestr(info, data)
    os.replace(tmp, path)


def build_wheel(out_dir, name, version, summary="", author="", author_email="",
                home_page="", license=None, requires_python=None, requires_dist=(),
                module=None):
    """Writes NAME-VERSION-py3-none-any.whl with one module; returns its path."""
    stem = wheel_file_stem(name)
    module = module or stem.lower()
    dist_info = "%s-%s.dist-info" % (stem, version)
    meta = ["Metadata-Version: 2.1", "Name: " + name, "Version: " + version]
    if summary:
        meta.append("Summary: " + summary)
    if home_page:
        meta.append("Home-page: " + home_page)
    if author:
        meta.append("Author: " + author)
    if author_email:
        meta.append("Author-email: " + author_email)
    if license is not None:
        meta.append("License: " + license)
    if requires_python:
        meta.append("Requires-Python: " + requires_python)
    for requirement in requires_dist:
        meta.append("Requires-Dist: " + requirement)
    wheel_meta = ["Wheel-Version: 1.0", "Generator: verdanex-tests (1.0)",
                  "Root-Is-Purelib: true", "Tag: py3-none-any"]
    source = '"""%s %s, a test package."""\n__version__ = "%s"\n' % (name, version, version)
    files = [
        (module + "/__init__.py", source.encode("utf-8")),
        (dist_info + "/METADATA", ("\n".join(meta) + "\n").encode("utf-8")),
        (dist_info + "/WHEEL", ("\n".join(wheel_meta) + "\n").encode("utf-8")),
        (dist_info + "/top_level.txt", (module + "\n").encode("utf-8")),
    ]
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, "%s-%s-py3-none-any.whl" % (stem, version))
    write_wheel(path, files, dist_info + "/RECORD")
    return path


STANDARD_PACKAGES = [
    dict(name="vxdemo", version="1.0", summary="Demo package of the Verdanex tests",
         author="Vx Demo Team", author_email="demo@vx.example",
         home_page="https://vx.example/vxdemo", license="MIT", requires_python=">=3.7"),
    dict(name="vxdemo", version="2.0", summary="Demo package of the Verdanex tests",
         author="Vx Demo Team", author_email="demo@vx.example",
         home_page="https://vx.example/vxdemo", license="MIT", requires_python=">=3.7"),
    # Two requirements, one behind an extra, so that pip installs vxdemo alone.
    dict(name="vxapp", version="1.0", summary="Application that needs vxdemo",
         author="Vx App Team", author_email="app@vx.example",
         home_page="https://vx.example/vxapp", license="Apache-2.0", requires_python=">=3.7",
         requires_dist=["vxdemo>=1.0", 'vxextra>=1.0; extra == "full"']),
    # Its requirement is not in the index, so installing it fails.
    dict(name="vxbroken", version="1.0", summary="Needs a package nobody serves",
         author="Vx Broken Team", author_email="broken@vx.example",
         home_page="https://vx.example/vxbroken", license="MIT", requires_python=">=3.7",
         requires_dist=["vxmissing>=1.0"]),
    # A name that needs normalising, no licence, and a non-ASCII summary.
    dict(name="Vx_Mixed.Name", version="1.0", summary="混合 name — ünïcode summary",
         author="Vx Mixed Team", author_email="mixed@vx.example",
         home_page="https://vx.example/mixed", license=None, requires_python=">=3.6"),
]


def build_standard(out_dir):
    return [build_wheel(out_dir, **package) for package in STANDARD_PACKAGES]


def bundled_wheels(name):
    """(version, path) of every wheel of NAME bundled with an interpreter on this machine."""
    found = {}
    for pattern in BUNDLED_WHEEL_GLOBS:
        for path in glob.glob(pattern.format(name=name)):
            parts = os.path.basename(path).split("-")
            if len(parts) >= 2:
                found.setdefault(parts[1], path)
    return sorted(found.items(), key=lambda item: version_key(item[0]))


def debian_version(name):
    for version, path in bundled_wheels(name):
        if os.path.dirname(path) == DEBIAN_WHEELS:
            return version
    return None


def reversion_wheel(source, version, out_dir):
    """Copies a wheel under a new version number (dist-info folder, METADATA, RECORD)."""
    base = os.path.basename(source)
    parts = base.split("-")
    stem, old_version = parts[0], parts[1]
    old_info = "%s-%s.dist-info/" % (stem, old_version)
    new_info = "%s-%s.dist-info/" % (stem, version)
    files = []
    with zipfile.ZipFile(source) as zf:
        for item in zf.infolist():
            if item.is_dir() or item.filename == old_info + "RECORD":
                continue
            data = zf.read(item.filename)
            arcname = item.filename
            if arcname.startswith(old_info):
                arcname = new_info + arcname[len(old_info):]
                if arcname == new_info + "METADATA":
                    data = re.sub(rb"(?m)^Version: .*$", b"Version: " + version.encode(), data,
                                  count=1)
            files.append((arcname, data))
    parts[1] = version
    path = os.path.join(out_dir, "-".join(parts))
    write_wheel(path, files, new_info + "RECORD")
    return path


def next_major(version):
    match = re.match(r"^(\d+)", version)
    return "%d.0.0" % (int(match.group(1)) + 1)


def build_core(out_dir, above_pip, above_setuptools):
    os.makedirs(out_dir, exist_ok=True)
    newer_pip = [(v, p) for v, p in bundled_wheels("pip")
                 if version_key(v) > version_key(above_pip)]
    if not newer_pip:
        return None
    pip_version, pip_path = newer_pip[-1]
    shutil.copy(pip_path, out_dir)
    done = [("pip", pip_version)]

    setuptools = bundled_wheels("setuptools")
    newer = [(v, p) for v, p in setuptools if version_key(v) > version_key(above_setuptools)]
    if newer:
        shutil.copy(newer[-1][1], out_dir)
        done.append(("setuptools", newer[-1][0]))
    elif setuptools:
        # No newer setuptools ships with any interpreter here: offer the newest
        # one under the next major number, so the upgrade has something to do.
        version = next_major(above_setuptools)
        reversion_wheel(setuptools[-1][1], version, out_dir)
        done.append(("setuptools", version))

    # A stand-in: the real wheel project is not bundled anywhere.
    build_wheel(out_dir, "wheel", "0.99.0", summary="Stand-in wheel package of the Verdanex tests",
                author="Vx Tests", author_email="tests@vx.example",
                home_page="https://vx.example/wheel", license="MIT", requires_python=">=3.7")
    done.append(("wheel", "0.99.0"))
    return done


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    standard = sub.add_parser("standard")
    standard.add_argument("out_dir")
    one = sub.add_parser("wheel")
    one.add_argument("out_dir")
    one.add_argument("--name", required=True)
    one.add_argument("--version", required=True)
    one.add_argument("--summary", default="")
    one.add_argument("--author", default="")
    one.add_argument("--author-email", default="")
    one.add_argument("--home-page", default="")
    one.add_argument("--license", default=None)
    one.add_argument("--requires-python", default=None)
    one.add_argument("--requires-dist", action="append", default=[])
    core = sub.add_parser("core")
    core.add_argument("out_dir")
    core.add_argument("--above-pip", default=None)
    core.add_argument("--above-setuptools", default=None)
    args = parser.parse_args(argv)

    if args.command == "standard":
        for path in build_standard(args.out_dir):
            print(os.path.basename(path))
        return 0
    if args.command == "wheel":
        path = build_wheel(args.out_dir, args.name, args.version, summary=args.summary,
                           author=args.author, author_email=args.author_email,
                           home_page=args.home_page, license=args.license,
                           requires_python=args.requires_python,
                           requires_dist=args.requires_dist)
        print(os.path.basename(path))
        return 0
    above_pip = args.above_pip or debian_version("pip") or "0"
    above_setuptools = args.above_setuptools or debian_version("setuptools") or "0"
    done = build_core(args.out_dir, above_pip, above_setuptools)
    if done is None:
        print("no pip newer than %s on this machine" % above_pip, file=sys.stderr)
        return 3
    for name, version in done:
        print(name, version)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
