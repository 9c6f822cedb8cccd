#!/usr/bin/env python3
"""--dump-policy as administrators use it: one line of JSON read back with a real
JSON parser, every member in its place, exit code 0. The drives are the machine's
own (natively the block-device file systems of the mount table), the update
figures and the settings file come from a portable mossbloom.ini next to a copy of
the program. On Windows the policies are written to the real registry: none, one
allowed folder, every policy from the machine key, then from the user key, both
keys at once, and malformed values."""
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
RUN = shlex.split(os.environ.get("MB_RUN", ""))
WINDOWS = os.environ.get("MB_TARGET") == "win32"
EOL = "\r\n" if WINDOWS else "\n"
KEY = "Software\\Policies\\Mossbloom"
BUILT_IN_MANIFEST = "https://mossbloom.app/update/manifest.txt"
POLICY_ORDER = ["DefaultSizeMode", "DisableMftScan", "HideRestartAsAdmin", "AllowedPaths", "DisableMemoryGame",
                "ProtectedPaths", "DisableDelete", "UpdateCheck", "UpdateUrl"]
EFFECTIVE_ORDER = ["sizeMode", "mftScan", "elevated", "restartAsAdminVisible", "fastScan", "memoryGame", "drives",
                   "updates"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def host_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


class Members(list):
    """An object's members as (name, value) pairs in order, so the order itself can be checked."""


def as_dict(value):
    if isinstance(value, Members):
        return {k: as_dict(v) for k, v in value}
    if isinstance(value, list):
        return [as_dict(v) for v in value]
    return value


def dump(program, how, env=None):
    """Runs the dump; returns the parsed report as (member pairs, plain dict)."""
    result = subprocess.run(RUN + [program, "--dump-policy"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            timeout=300, env=env)
    text = result.stdout.decode("utf-8")
    check(result.returncode == 0, f"{how}: exit {result.returncode}")
    check(text.endswith(EOL) and text.count("\n") == 1, f"{how}: not one line: {text!r}")
    try:
        pairs = json.loads(text, object_pairs_hook=Members)
    except ValueError as e:
        failures.append(f"{how}: no JSON ({e}): {text!r}")
        return [], {}
    report = as_dict(pairs)
    names = [name for name, _ in pairs]
    check(names == ["policies", "effective", "settingsFile"], f"{how}: top members {names}")
    check([n for n, _ in dict(pairs)["policies"]] == POLICY_ORDER, f"{how}: policy members out of order")
    effective = dict(pairs)["effective"]
    check([n for n, _ in effective] == EFFECTIVE_ORDER, f"{how}: effective members {[n for n, _ in effective]}")
    check([n for n, _ in dict(effective)["updates"]] == ["check", "automatic", "manifestUrl"], f"{how}: updates")
    check([n for n, _ in dict(effective)["fastScan"]] == ["admin", "standardUser"], f"{how}: fastScan")
    for name, member in dict(pairs)["policies"]:
        check([n for n, _ in member] == ["source", "value"], f"{how}: {name} members")
    return pairs, report


def expect_policies(report, how, **expected):
    """expected: name=(source, value); unnamed policies must be unset."""
    unset = {"DefaultSizeMode": None, "DisableMftScan": False, "HideRestartAsAdmin": False, "AllowedPaths": [],
             "DisableMemoryGame": False, "ProtectedPaths": [], "DisableDelete": False, "UpdateCheck": None,
             "UpdateUrl": None}
    for name in POLICY_ORDER:
        source, value = expected.get(name, (None, unset[name]))
        got = report.get("policies", {}).get(name)
        check(got == {"source": source, "value": value}, f"{how}: {name} is {got}, expected {source} {value!r}")


def native_drives():
    """The mount table read here on its own: block-device file systems, the last mount of a point."""
    virtual = set()
    with open("/proc/filesystems") as f:
        for line in f:
            if line.startswith("nodev"):
                virtual.add(line.split()[1])
    mounts = []
    with open("/proc/self/mounts") as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 3:
                point = fields[1].replace("\\040", " ").replace("\\011", "\t").replace("\\134", "\\")
                mounts = [m for m in mounts if m[0] != point] + [(point, fields[2])]
    return [p for p, t in mounts if t not in virtual and os.path.isdir(p)]


def check_drives(report, how, allowed_folder=None):
    drives = report.get("effective", {}).get("drives", {})
    if WINDOWS:
        letters = list(drives)
        check("C" in drives and letters == sorted(letters) and all(len(d) == 1 and d.isupper() for d in letters),
              f"{how}: drive letters {letters}")
    else:
        check(list(drives) == native_drives(), f"{how}: drives {list(drives)}, mount table {native_drives()}")
    for name, status in drives.items():
        if allowed_folder is None:
            check(status == "allowed", f"{how}: drive {name} is {status!r}")
        elif name == allowed_folder[0]:
            check(status == "only " + allowed_folder, f"{how}: drive {name} is {status!r}")
        else:
            check(status == "blocked", f"{how}: drive {name} is {status!r}")


def main():
    with tempfile.TemporaryDirectory() as work:
        # The program as installed, with no settings of its own: the per-user file.
        config = os.path.join(work, "config")
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        _, report = dump(BIN, "plain", env)
        settings = report.get("settingsFile", "")
        if WINDOWS:
            check(settings.endswith("\\AppData\\Roaming\\Mossbloom\\settings.ini"), f"per-user settings {settings!r}")
        else:
            check(settings == os.path.join(config, "mossbloom", "settings.ini"), f"per-user settings {settings!r}")
        updates = report.get("effective", {}).get("updates")
        check(updates == {"check": "user", "automatic": False, "manifestUrl": BUILT_IN_MANIFEST},
              f"built-in update figures {updates}")

        # A portable copy whose settings turn the daily check on and name another server.
        portable = os.path.join(work, "portable")
        os.makedirs(portable)
        program = os.path.join(portable, os.path.basename(BIN))
        shutil.copy2(BIN, program)
        ini = os.path.join(portable, "mossbloom.ini")
        with open(ini, "w") as f:
            f.write("[mossBloom]\nautoUpdateCheck=1\nupdateUrl=https://mirror.example/mb\nsizeMode=logical\n")
        if WINDOWS:
            clear_registry(work)
        _, report = dump(program, "no policies", env)
        expect_policies(report, "no policies")
        check(report.get("settingsFile") == host_path(ini), f"portable settings {report.get('settingsFile')!r}")
        effective = report.get("effective", {})
        check(effective.get("updates") == {"check": "user", "automatic": True,
                                           "manifestUrl": "https://mirror.example/mb/manifest.txt"},
              f"update figures from the settings {effective.get('updates')}")
        check(effective.get("sizeMode") == "Logical" and effective.get("memoryGame") is True,
              f"effective from the settings {effective}")
        check(isinstance(effective.get("elevated"), bool) and
              effective.get("restartAsAdminVisible") == (not effective.get("elevated")),
              f"restart offer {effective}")
        check(effective.get("mftScan") == effective.get("elevated"), f"scan mode {effective}")
        check(effective.get("fastScan") == {"admin": "available", "standardUser": "restartsAsAdmin"},
              f"fast scan {effective.get('fastScan')}")
        check_drives(report, "no policies")

        if WINDOWS:
            try:
                registry_cases(work, program, env)
            finally:
                clear_registry(work)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


# --- The real registry (Windows) --------------------------------------------------------------
def reg_value(name, kind, value):
    if kind == "sz":
        return f'"{name}"="' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'
    if kind == "dword":
        return f'"{name}"=dword:{value:08x}'
    if kind == "multi":
        data = "".join(entry + "\0" for entry in value) + "\0"
        return f'"{name}"=hex(7):' + ",".join(f"{b:02x}" for b in data.encode("utf-16-le"))
    if kind == "binary":
        return f'"{name}"=hex:' + ",".join(f"{b:02x}" for b in value)
    if kind == "qword":
        return f'"{name}"=hex(b):' + ",".join(f"{b:02x}" for b in value.to_bytes(8, "little"))
    raise ValueError(kind)


def write_registry(work, machine=(), user=()):
    """Replaces both policy keys with the given (name, kind, value) triples in one import."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for hive, values in (("HKEY_LOCAL_MACHINE", machine), ("HKEY_CURRENT_USER", user)):
        lines += [f"[-{hive}\\{KEY}]", ""]
        if values:
            lines += [f"[{hive}\\{KEY}]"] + [reg_value(*v) for v in values] + [""]
    path = os.path.join(work, "policies.reg")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))
    subprocess.run(RUN + ["regedit", "/S", host_path(path)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120, check=True)


def clear_registry(work):
    write_registry(work)


def every_policy(update_check):
    return [("DefaultSizeMode", "sz", "Logical"), ("DisableMftScan", "dword", 1), ("HideRestartAsAdmin", "dword", 1),
            ("AllowedPaths", "multi", ["C:\\Data\\", "Z:\\srv\\share"]), ("DisableMemoryGame", "dword", 5),
            ("ProtectedPaths", "multi", ["C:\\Windows"]), ("DisableDelete", "dword", 1),
            ("UpdateCheck", "dword", update_check), ("UpdateUrl", "sz", "https://intranet.example/mb.TXT")]


def registry_cases(work, program, env):
    # One allowed folder on one drive: that drive is limited to it, every other one is blocked.
    write_registry(work, machine=[("AllowedPaths", "multi", ["c:\\Data\\"])])
    _, report = dump(program, "one allowed folder", env)
    expect_policies(report, "one allowed folder", AllowedPaths=("machine", ["C:\\Data"]))
    check_drives(report, "one allowed folder", "C:\\Data")

    # Every policy from the machine key.
    write_registry(work, machine=every_policy(0))
    _, report = dump(program, "machine key", env)
    values = {"DefaultSizeMode": "Logical", "DisableMftScan": True, "HideRestartAsAdmin": True,
              "AllowedPaths": ["C:\\Data", "Z:\\srv\\share"], "DisableMemoryGame": True,
              "ProtectedPaths": ["C:\\Windows"], "DisableDelete": True, "UpdateCheck": 0,
              "UpdateUrl": "https://intranet.example/mb.TXT"}
    expect_policies(report, "machine key", **{n: ("machine", v) for n, v in values.items()})
    effective = report.get("effective", {})
    check({k: effective.get(k) for k in ("sizeMode", "mftScan", "restartAsAdminVisible", "memoryGame")} ==
          {"sizeMode": "Logical", "mftScan": False, "restartAsAdminVisible": False, "memoryGame": False},
          f"machine key: effective {effective}")
    check(effective.get("fastScan") == {"admin": "turnedOff", "standardUser": "turnedOff"},
          f"machine key: fast scan {effective.get('fastScan')}")
    # The policy turns checks off whatever the settings say, and names the manifest itself.
    check(effective.get("updates") == {"check": "off", "automatic": False,
                                       "manifestUrl": "https://intranet.example/mb.TXT"},
          f"machine key: updates {effective.get('updates')}")
    drives = effective.get("drives", {})
    check(drives.get("C") == "only C:\\Data" and drives.get("Z") == "only Z:\\srv\\share" and
          all(s == "blocked" for d, s in drives.items() if d not in "CZ"), f"machine key: drives {drives}")

    # The same from the user key, with daily checks forced on.
    user_values = dict(values, UpdateCheck=1)
    write_registry(work, user=every_policy(1))
    _, report = dump(program, "user key", env)
    expect_policies(report, "user key", **{n: ("user", v) for n, v in user_values.items()})
    check(report.get("effective", {}).get("updates", {}).get("check") == "automatic" and
          report.get("effective", {}).get("updates", {}).get("automatic") is True,
          f"user key: updates {report.get('effective', {}).get('updates')}")

    # Both keys: the machine's value wins, the user's fills in what the machine lacks.
    write_registry(work, machine=[("DefaultSizeMode", "sz", "OnDisk"), ("UpdateCheck", "dword", 1)],
                   user=[("DefaultSizeMode", "sz", "Logical"), ("UpdateCheck", "dword", 0),
                         ("DisableDelete", "dword", 1)])
    _, report = dump(program, "both keys", env)
    expect_policies(report, "both keys", DefaultSizeMode=("machine", "OnDisk"), UpdateCheck=("machine", 1),
                    DisableDelete=("user", True))
    check(report.get("effective", {}).get("sizeMode") == "OnDisk", "both keys: the policy's size mode wins")

    # Malformed values: a wrong type in the machine key gives way to the user key; an
    # unknown size mode, a blank URL and other wrong types count as not set; a list of
    # empty entries is set but allows everything.
    write_registry(work,
                   machine=[("DisableMftScan", "sz", "1"), ("DefaultSizeMode", "sz", "Physical"),
                            ("UpdateUrl", "sz", "  \t "), ("UpdateCheck", "sz", "1"),
                            ("AllowedPaths", "multi", ["", "  ", ""]), ("ProtectedPaths", "sz", "C:\\Windows"),
                            ("HideRestartAsAdmin", "binary", b"\x01\x00\x00\x00"),
                            ("DisableDelete", "qword", 1), ("DisableMemoryGame", "dword", 0)],
                   user=[("DisableMftScan", "dword", 1)])
    _, report = dump(program, "malformed values", env)
    expect_policies(report, "malformed values", DisableMftScan=("user", True), AllowedPaths=("machine", []),
                    DisableMemoryGame=("machine", False))
    check_drives(report, "malformed values")
    check(report.get("effective", {}).get("updates", {}).get("check") == "user",
          f"malformed values: updates {report.get('effective', {}).get('updates')}")

    # Surrounding blanks and any case still name a size mode.
    write_registry(work, machine=[("DefaultSizeMode", "sz", "  ondisk\t")])
    _, report = dump(program, "blank size mode", env)
    expect_policies(report, "blank size mode", DefaultSizeMode=("machine", "OnDisk"))


if __name__ == "__main__":
    sys.exit(main())
