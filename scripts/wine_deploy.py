"""Wine prefixes and deployment folders for the launcher, shared by the
demonstration and the Wine tests.

Every prefix here is one we make ourselves; the user's own prefix is never
touched, and only the wineserver of a prefix we made is stopped.

As a command:
  wine_deploy.py make-prefix DIR win64|win32   make a fresh prefix in DIR
  wine_deploy.py start-server DIR              keep DIR's wineserver running
  wine_deploy.py stop-server DIR               stop DIR's wineserver
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

APP_PATH_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\PELDORAX.EXE"
INSTALLER_64 = "kovrim64.exe"
INSTALLER_32 = "Kovrimen.exe"
CONFIG = "tesvol.ini"
DRYRUN = "kovlaunch-dryrun.exe"


class WinePrefix:
    def __init__(self, path, arch=""):
        self.path = Path(path).resolve()
        self.arch = arch

    def env(self):
        env = dict(os.environ)
        env.update(WINEPREFIX=str(self.path),
                   WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
                   # No prompts to install Mono or Gecko.
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        env.pop("DISPLAY", None)
        return env

    def _run(self, argv, timeout, cwd=None, **extra_env):
        # Output goes to a file, not a pipe: Wine's background processes keep
        # a pipe open long after the program ended.
        with tempfile.TemporaryFile() as out:
            result = subprocess.run(argv, env={**self.env(), **extra_env}, cwd=cwd, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.STDOUT,
                                    timeout=timeout, check=False)
            out.seek(0)
            return result.returncode, out.read().decode("utf-8", "replace")

    def wine(self, *args, timeout=120, cwd=None):
        """Runs a Windows program; returns (exit code, output)."""
        return self._run(["wine", *args], timeout, cwd=cwd)

    def create(self):
        if self.path.exists():
            self.stop_server()
            shutil.rmtree(self.path)
        self.path.parent.mkdir(parents=True, exist_ok=True)
        code, output = self._run(["wineboot", "-i"], timeout=300, WINEARCH=self.arch)
        # The registry reaches the disk when the prefix's wineserver ends.
        self._run(["wineserver", "-w"], timeout=120)
        if code != 0 or not (self.path / "system.reg").exists():
            raise RuntimeError(f"wineboot failed in {self.path}:\n{output}")

    def start_server(self):
        """Keeps the prefix's wineserver and Wine's own services running, so
        that a program run later neither pays for their start nor finds its
        output pipe held open by them after it ended."""
        self._run(["wineserver", "-p"], timeout=60)
        self.wine("cmd", "/c", "exit")

    def stop_server(self):
        if self.path.exists():
            self._run(["wineserver", "-k"], timeout=60)

    def drive_c(self):
        return self.path / "drive_c"

    def windows_path(self, unix_path):
        relative = Path(unix_path).resolve().relative_to(self.drive_c().resolve())
        return "C:\\" + str(relative).replace("/", "\\")

    def is_64bit(self):
        return (self.drive_c() / "windows" / "syswow64").exists()

    def reg(self, *args):
        # The launcher is a 32-bit program: it sees the 32-bit registry view.
        view = ["/reg:32"] if self.is_64bit() else []
        return self.wine("reg", *args, *view)

    def register_agent(self, service_name="Orvalin"):
        """The agent as its installer leaves it: service, App Paths, file."""
        agent_dir = self.drive_c() / "Peldorax"
        agent_dir.mkdir(exist_ok=True)
        (agent_dir / "peldorax.exe").write_bytes(b"MZ")
        agent = self.windows_path(agent_dir / "peldorax.exe")
        code, output = self.wine("sc", "create", service_name, "binpath=", agent)
        if code != 0:
            raise RuntimeError(f"sc create {service_name} failed: {output}")
        code, output = self.reg("add", APP_PATH_KEY, "/ve", "/d", agent, "/f")
        if code != 0:
            raise RuntimeError(f"reg add failed: {output}")

    def unregister_agent(self, service_name="Orvalin"):
        self.wine("sc", "delete", service_name)
        self.reg("delete", APP_PATH_KEY, "/f")


class Deployment:
    """A deployment folder: launcher, lookup library, both installers (stubs
    that record their command line) and the configuration file."""

    def __init__(self, prefix, name, launcher, morvane, stub_installer, dryrun=None):
        self.prefix = prefix
        self.folder = prefix.drive_c() / name
        if self.folder.exists():
            shutil.rmtree(self.folder)
        self.folder.mkdir(parents=True)
        shutil.copy(launcher, self.folder / "kovlaunch.exe")
        if morvane is not None:
            shutil.copy(morvane, self.folder / "morvane.dll")
        for installer in (INSTALLER_32, INSTALLER_64):
            shutil.copy(stub_installer, self.folder / installer)
        (self.folder / CONFIG).write_text("[agent]\n")
        if dryrun is not None:
            shutil.copy(dryrun, self.folder / DRYRUN)

    def run_launcher(self, timeout=60):
        launcher = self.prefix.windows_path(self.folder / "kovlaunch.exe")
        # From the folder itself: Windows looks for DLLs in the current
        # directory too, and any other directory might hold a morvane.dll.
        code, _ = self.prefix.wine(launcher, timeout=timeout, cwd=self.folder)
        return code

    def run_dryrun(self, *args, timeout=60):
        """Runs the dry-run tool in the folder; returns (exit code, output)."""
        tool = self.prefix.windows_path(self.folder / DRYRUN)
        return self.prefix.wine(tool, *args, timeout=timeout, cwd=self.folder)

    def hold_installers(self, hold):
        marker = self.folder / "hold"
        if hold:
            marker.write_text("")
        elif marker.exists():
            marker.unlink()

    def started(self):
        """{installer file name: the command line it was started with}"""
        return {path.name[:-len(".cmdline")]: path.read_text(encoding="utf-8")
                for path in self.folder.glob("*.cmdline")}

    def finished(self, installer):
        return (self.folder / (installer + ".done")).exists()

    def wait_for(self, condition, seconds=30):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.1)
        return condition()

    def clear_records(self):
        for pattern in ("*.cmdline", "*.done"):
            for path in self.folder.glob(pattern):
                path.unlink()


def main(argv):
    if len(argv) == 3 and argv[0] == "make-prefix" and argv[2] in ("win64", "win32"):
        WinePrefix(argv[1], argv[2]).create()
    elif len(argv) == 2 and argv[0] == "start-server":
        WinePrefix(argv[1]).start_server()
    elif len(argv) == 2 and argv[0] == "stop-server":
        WinePrefix(argv[1]).stop_server()
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
