# What the host programs that drive Wine share (tests/e2e/e2e.py, tests/e2e/release.py,
# tools/run-report.py): the current prefix's registry, through the WINETOOL wine-run.sh gives,
# a program run with a trace and a screenshot, and the calls it made, as Wine's relay trace
# shows them.
import contextlib
import os
import pathlib
import re
import signal
import subprocess
import time


def reg(key, name, value, kind="REG_SZ"):
    command = [os.environ["WINETOOL"], "reg", "add", key, "/v", name, "/t", kind, "/d", str(value)]
    subprocess.run([*command, "/f"], capture_output=True, check=True)


def query(key, *options):  # a key's values, None when it is missing
    found = subprocess.run(
        [os.environ["WINETOOL"], "reg", "query", key, *options], capture_output=True, text=True
    )
    fields = [line.split(None, 2) for line in found.stdout.splitlines()]
    return {f[0]: f[2] for f in fields if len(f) == 3} if found.returncode == 0 else None


# A traced argument whose low 32 bits are value: 64-bit Wine shows the whole register.
def low(value):
    return rf"\w*{value & 0xFFFFFFFF:08x}"


# The calls the exe's own code makes, as the relay trace shows them: Wine's DLLs call some of
# these too.
def parse(trace, image):
    text = pathlib.Path(trace).read_text(errors="replace")
    loaded = re.search(rf"^(\w+):trace:loaddll:\S+ Loaded L\".*\\\\{image}\" at (\w+)", text, re.M)
    if not loaded:
        return []
    calls = re.findall(rf"^{loaded[1]}:Call \S+?\.(\w+\(.*\)) ret=(\w+)$", text, re.M)
    return [c for c, r in calls if 0 <= int(r, 16) - int(loaded[2], 16) < 1 << 20]


# The pixel at (x, y) of a screenshot of the 1024 x 768 screen, as an (r, g, b) tuple.
def pixel_at(png):
    convert = ["convert", png, "-depth", "8", "rgb:-"]
    data = subprocess.run(convert, capture_output=True, check=True).stdout
    return lambda x, y: tuple(data[(y * 1024 + x) * 3 : (y * 1024 + x) * 3 + 3])


# Runs a Windows program (through WINE) with its trace in the open file log until it ends, and
# returns its exit code (None when it did not end within timeout seconds: then it is killed).
# With shot, once the image has called wait_for, takes a screenshot of the display there: for
# Sleep, the notice's pause, the program is stopped meanwhile, so that the shot shows what the
# pause shows however slow the machine, inside the context hold(process) gives (another window
# over it, say), whose value is returned too; shown(shot) says whether the shot shows what it
# should yet (a box draws itself after the call), else it is taken again, for up to a minute. A
# box it shows is answered with the key answer names ("Return", say).
def traced_run(command, log, image, shot=None, wait_for="Sleep", environment=None, **options):
    hold, answer, timeout = options.get("hold"), options.get("answer"), options.get("timeout")
    shown = options.get("shown") or (lambda path: True)
    process = subprocess.Popen([os.environ["WINE"], *command], stderr=log, env=environment)
    held = None
    if shot:
        for _ in range(1200):
            if process.poll() is not None or wait_for in "".join(parse(log.name, image)):
                break
            time.sleep(0.05)
        stop = wait_for == "Sleep" and process.poll() is None
        if stop:
            os.kill(process.pid, signal.SIGSTOP)
        with hold(process) if hold else contextlib.nullcontext() as held:
            for _ in range(150):
                time.sleep(0.4)  # for the X server to show what was drawn
                subprocess.run(["import", "-window", "root", shot], check=True)
                if shown(shot) or process.poll() is not None:
                    break
        if stop:
            os.kill(process.pid, signal.SIGCONT)
    waited = 0.0
    while process.poll() is None and (timeout is None or waited < timeout):
        if answer:  # the box has the focus
            subprocess.run(["xdotool", "key", answer], capture_output=True)
        time.sleep(0.5)
        waited += 0.5
    code = process.poll()
    process.kill()
    return code, held
