#!/usr/bin/env python3
"""Applies each slip of faults.txt in turn to a scratch copy of the tree,
builds it and runs the Linux tests; every slip must make some test fail.

usage: tests/mutants/run_faults.py [SCRATCH_FOLDER] [NUMBER...]
The scratch folder (default /tmp/pellowen-faults) holds the copy and its
release build; the working tree is never changed. Exit status 0 when every
slip was caught."""
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def read_faults():
    faults = []
    with open(os.path.join(HERE, "faults.txt"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            fields = [x.strip().replace("\0", "|").replace("<NL>", "\n")
                      for x in line.rstrip("\n").replace("\\|", "\0").split(" | ")]
            if len(fields) != 4:
                sys.exit("bad line in faults.txt: " + line)
            faults.append(fields)
    return faults


def run(cmd, cwd, log):
    return subprocess.run(cmd, cwd=cwd, stdout=log, stderr=subprocess.STDOUT).returncode


def main():
    scratch = sys.argv[1] if len(sys.argv) > 1 else "/tmp/pellowen-faults"
    only = {int(n) for n in sys.argv[2:]}
    src = os.path.join(scratch, "src")
    build = os.path.join(scratch, "build")
    os.makedirs(src, exist_ok=True)
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True).stdout
    for name in files.decode().split("\0"):
        if name and os.path.exists(os.path.join(ROOT, name)):
            target = os.path.join(src, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if not os.path.exists(target) or open(target, "rb").read() != open(os.path.join(ROOT, name), "rb").read():
                shutil.copy2(os.path.join(ROOT, name), target)
    log = open(os.path.join(scratch, "log.txt"), "w")
    if run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release"], src, log) != 0 or \
            run(["cmake", "--build", build, "-j2"], src, log) != 0 or \
            run(["ctest", "--test-dir", build, "-j2"], src, log) != 0:
        sys.exit("the unchanged copy does not build or pass its tests; see " + log.name)
    faults = read_faults()
    missed = []
    tried = 0
    for number, (path, text, slip, what) in enumerate(faults, 1):
        if only and number not in only:
            continue
        tried += 1
        full = os.path.join(src, path)
        original = open(full, encoding="utf-8").read()
        if original.count(text) != 1:
            print(f"{number:3} NOT FOUND  {path}: {what}")
            missed.append(number)
            continue
        with open(full, "w", encoding="utf-8") as f:
            f.write(original.replace(text, slip))
        try:
            if run(["cmake", "--build", build, "-j2"], src, log) != 0:
                print(f"{number:3} NO BUILD   {path}: {what}")
                missed.append(number)
                continue
            out = subprocess.run(["ctest", "--test-dir", build, "-j2", "--stop-on-failure"], cwd=src,
                                 capture_output=True, text=True)
            failed = re.findall(r"Test +#\d+: (\S+) \.*\*\*\*", out.stdout)
            if out.returncode != 0:
                print(f"{number:3} caught     {path}: {what} [{', '.join(failed[:2])}]")
            else:
                print(f"{number:3} NOT CAUGHT {path}: {what}")
                missed.append(number)
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(original)
        sys.stdout.flush()
    run(["cmake", "--build", build, "-j2"], src, log)
    print(f"{tried} slips tried, {tried - len(missed)} caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
