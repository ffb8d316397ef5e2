# What the host programs that drive Wine share (tests/e2e/e2e.py, tests/e2e/release.py,
# tools/run-report.py): the current prefix's registry, through the WINETOOL wine-run.sh gives,
# and the calls an exe made, as Wine's relay trace shows them.
import os
import pathlib
import re
import subprocess


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
