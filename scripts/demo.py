"""The launcher's main job, end to end, in a throwaway Wine prefix: a
deployment folder whose path holds spaces, then one logon without the agent
and one with it registered, printing for each what the dry-run tool reports
beforehand and what the logon then started."""

import argparse
import shutil
import sys
import tempfile
from pathlib import Path

from wine_deploy import Deployment, WinePrefix


def show_logon(title, deployment):
    print(f"\n{title}")
    code, report = deployment.run_dryrun()
    print(f"\n  kovlaunch-dryrun.exe (exit code {code}):\n")
    for line in report.splitlines():
        print(f"    {line}".rstrip())
    code = deployment.run_launcher()
    print(f"\n  kovlaunch.exe exit code: {code}")
    started = deployment.started() if deployment.wait_for(deployment.started, 5) else {}
    if not started:
        print("  started: nothing")
    for installer, command_line in sorted(started.items()):
        print(f"  started: {installer}\n  command line: {command_line}")
    deployment.clear_records()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the Windows build folder")
    parser.add_argument("--arch", default="win64", choices=("win64", "win32"))
    args = parser.parse_args()
    build = Path(args.build)

    work = Path(tempfile.mkdtemp(prefix="kovlaunch-demo-"))
    prefix = WinePrefix(work / "prefix", args.arch)
    try:
        print(f"Making a throwaway {args.arch} Wine prefix in {prefix.path} ...")
        prefix.create()
        prefix.start_server()
        deployment = Deployment(prefix, "Deploy Share", build / "kovlaunch.exe",
                                build / "morvane.dll", build / "stub_installer.exe",
                                dryrun=build / "kovlaunch-dryrun.exe")
        folder = prefix.windows_path(deployment.folder)
        print(f"Deployment folder {folder}:")
        for path in sorted(deployment.folder.iterdir()):
            print(f"  {path.name}")

        show_logon("Logon 1: no agent on the machine", deployment)
        prefix.register_agent()
        show_logon('Logon 2: agent registered (service "Orvalin", App Paths '
                   'value naming an existing file)', deployment)
    finally:
        prefix.stop_server()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
