"""Runs scripts/release.sh on a copy of the source tree and reads what it laid
out; shared by the release tests."""

import hashlib
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
# Never copied: build outputs, earlier releases, history.
NOT_SOURCE = {"build", "dist", ".git"}


def copy_source(destination):
    """The working tree as it is, uncommitted changes included."""
    destination = Path(destination)
    if destination.exists():
        shutil.rmtree(destination)
    shutil.copytree(SOURCE, destination, symlinks=True,
                    ignore=lambda folder, names: NOT_SOURCE & set(names)
                    if Path(folder) == SOURCE else set())
    return destination


def run_release(source, *args, env=None, timeout=900):
    """(exit code, output) of source/scripts/release.sh ARGS. Output goes to a
    file: the build's compilers are all we start, but a pipe gains nothing."""
    with tempfile.TemporaryFile() as out:
        code = subprocess.run([str(Path(source) / "scripts" / "release.sh"), *args],
                              cwd=source, env={**os.environ, **(env or {})},
                              stdin=subprocess.DEVNULL, stdout=out,
                              stderr=subprocess.STDOUT, timeout=timeout).returncode
        out.seek(0)
        return code, out.read().decode("utf-8", "replace")


def sha256(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def shipped_files(build_dir):
    """{file name: path in the build folder} from the build's release list."""
    lines = (Path(build_dir) / "release-files.txt").read_text().splitlines()
    paths = [Path(line.split("\t")[1]) for line in lines if line]
    return {path.name: path for path in paths}
