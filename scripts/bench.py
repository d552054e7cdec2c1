"""Side-by-side timing under Wine, in one run and one throwaway prefix:

  floor          an empty GUI program that only returns 0
  present        kovlaunch.exe with the agent registered (every logon)
  absent         kovlaunch.exe without the agent (starts a stub installer)
  batch          a logon script making the same presence checks with
                 sc query, reg query and if exist, under cmd /c

Each is run a few times to warm up, then --runs times; the median, the
spread (quartiles, minimum and maximum) and the ratio of each median to the
floor's are printed, with the sizes of kovlaunch.exe and morvane.dll.
Wall-clock times include Wine's own start of a process, as a logon does.
"""

import argparse
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

from wine_deploy import APP_PATH_KEY, Deployment, WinePrefix

# "if errorlevel" rather than "command || goto": Wine's cmd (8.0 at least)
# takes the || branch after a redirected command that succeeded.
BATCH = r"""@echo off
sc query Orvalin >nul 2>&1
if errorlevel 1 goto install
reg query "{key}" /ve {view} >nul 2>&1
if errorlevel 1 goto install
if exist "C:\Peldorax\peldorax.exe" goto done
:install
start "" "%~dp0{installer}" /SILENT "%~dp0tesvol.ini"
:done
exit /b 0
"""


def time_runs(run, runs, warmup):
    for _ in range(warmup):
        run()
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return times


def describe(times):
    quartiles = statistics.quantiles(times, n=4)
    return {"median": statistics.median(times), "q1": quartiles[0],
            "q3": quartiles[2], "min": min(times), "max": max(times)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--arch", default="win64", choices=("win64", "win32"))
    args = parser.parse_args()
    build = Path(args.build)

    work = Path(tempfile.mkdtemp(prefix="kovlaunch-bench-"))
    prefix = WinePrefix(work / "prefix", args.arch)
    results = {}
    try:
        print(f"Making a throwaway {args.arch} Wine prefix in {prefix.path} ...", flush=True)
        prefix.create()
        prefix.start_server()
        deployment = Deployment(prefix, "Deploy Share", build / "kovlaunch.exe",
                                build / "morvane.dll", build / "stub_installer.exe")
        folder = deployment.folder
        shutil.copy(build / "empty_gui.exe", folder / "empty_gui.exe")
        installer = "kovrim64.exe" if prefix.is_64bit() else "Kovrimen.exe"
        view = "/reg:32" if prefix.is_64bit() else ""
        (folder / "logon.cmd").write_text(
            BATCH.format(key=APP_PATH_KEY, view=view, installer=installer).replace("\n", "\r\n"))

        def run(program, *args):
            code, output = prefix.wine(program, *args, cwd=folder)
            if code != 0:
                raise RuntimeError(f"{program} ended with {code}: {output}")

        empty = prefix.windows_path(folder / "empty_gui.exe")
        launcher = prefix.windows_path(folder / "kovlaunch.exe")
        batch = prefix.windows_path(folder / "logon.cmd")

        prefix.register_agent()
        cases = [("floor", "empty GUI program", lambda: run(empty)),
                 ("present", "kovlaunch.exe, agent present", lambda: run(launcher)),
                 ("batch", "batch logon script, agent present",
                  lambda: run("cmd", "/c", batch))]
        for key, title, action in cases:
            print(f"timing {title} ...", flush=True)
            results[key] = (title, describe(time_runs(action, args.runs, args.warmup)))
        # Neither the launcher nor the batch may have taken its install branch.
        time.sleep(1)
        if deployment.started():
            raise RuntimeError("something was installed although the agent is present")
        prefix.unregister_agent()
        print("timing kovlaunch.exe, agent absent ...", flush=True)
        results["absent"] = ("kovlaunch.exe, agent absent (stub installer)",
                             describe(time_runs(lambda: run(launcher), args.runs, args.warmup)))
        if not deployment.wait_for(deployment.started, 10):
            raise RuntimeError("the launcher started no installer without the agent")
    finally:
        prefix.stop_server()
        shutil.rmtree(work, ignore_errors=True)

    floor = results["floor"][1]["median"]
    print(f"\nWine, {args.arch} prefix, {args.runs} runs each after {args.warmup} to warm up"
          " (milliseconds, wall clock)")
    print(f"{'':46} {'median':>8} {'q1':>8} {'q3':>8} {'min':>8} {'max':>8} {'x floor':>8}")
    for key in ("floor", "present", "absent", "batch"):
        title, d = results[key]
        print(f"{title:46} " + " ".join(f"{d[k] * 1000:8.1f}" for k in
                                         ("median", "q1", "q3", "min", "max"))
              + f" {d['median'] / floor:8.2f}")
    for name in ("kovlaunch.exe", "morvane.dll"):
        print(f"{name:14} {(build / name).stat().st_size:6d} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
