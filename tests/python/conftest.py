"""Shared set-up of the Python module's tests: the batch program beside the module, the
working folders of the golden cases, and a batch run for comparison.

Run by ctest (tests/CMakeLists.txt), which sets PYTHONPATH to the module in the build tree,
KELVIS_BINARY to the batch program and KELVIS_SOURCE_DIR to the source tree.
"""
import os
import pathlib
import shutil
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("KELVIS_SOURCE_DIR",
                                         pathlib.Path(__file__).resolve().parents[2]))
BINARY = os.environ.get("KELVIS_BINARY", str(SOURCE_DIR / "build" / "kelvis"))
NOW = "2024-03-09T12:00:00"  # the fixed clock of the whole-run tests

# Elements of the test orbits (km, degrees): the realistic demo orbit, and a synchronous
# equatorial one over 100 degrees east (as tests/support/fixture.hpp and golden_cases.hpp).
DEMO = (7028.137, 0.001, 6.0, 100.0, 45.0, 30.0)
SYNCHRONOUS = (42164.17, 0.0001, 0.01, 0.0, 0.0, 253.0)

# The golden cases of tests/data/golden/ (tests/support/golden_cases.hpp): the keywords of
# kelvis.run beyond the typical request (ann, crab, 2024-03-10 to 2024-03-12, typical
# limits, tag r7) and the orbit.
TYPICAL = dict(source="crab", ra=83.63, dec=22.01, start="2024-03-10T00:00:00",
               end="2024-03-12T00:00:00", user="ann", tag="r7", now=NOW)
GOLDEN = {
    "windows": (DEMO, dict(angle_file=True)),
    "never_in_view": (DEMO, dict(end="2024-03-11T00:00:00", tag="nv")),
    "never_occulted": (DEMO, dict(source="pole", ra=0, dec=90, end="2024-03-11T06:00:00",
                                  tag="np")),
    "short_period": (DEMO, dict(end="2024-03-10T12:00:00", tag="sp")),
    "long_window": (SYNCHRONOUS, dict(source="pole", ra=0, dec=90, end="2024-03-13T00:00:00",
                                      tag="lw")),
}
GOLDEN_LIMITS = {"never_in_view": dict(roll_velocity=170)}

CONFIG = ("errXXXXXXXX\nKELVORIN\nkv1\noccXXXXXXXX\nvrepXXXXXXXX\nangXXXXXXXX\neclXXXXXXXX\n"
          "svi_DDD_YYYY.SID\norbXXXXXXXX\n45.0\n")


def orbit_file_text(q, epoch=(2024, 3, 9), iorb=1234):
    """An orbit file of epoch 00:00 UTC of the date, as tests/support/fixture.cpp writes."""
    y, m, d = epoch
    return ("KELVORIN ORBIT FILE\n"
            + "%-19s%10.4f%10.4f%10.4f%10.4f%10.4f%15.6f\n" % ("PARAMS", 1, 2, 3, 4, 5, 6)
            + "    PBEPC1         " + "%6d" * 9 % (y, m, d, 0, 0, 0, 0, iorb, 0) + "\n"
            + "%-19s%22.10f%22.10f%22.10f\n" % ("POSITION", 1, 2, 3)
            + "%-19s%22.10f%22.10f%22.10f\n" % ("VELOCITY", 1, 2, 3)
            + "%-19s%22.10f%22.10f%22.10f\n" % ("AEI", q[0], q[1], q[2])
            + "%-19s%22.10f%22.10f%22.10f\n" % ("WOM", q[3], q[4], q[5]))


def install(folder, q=DEMO):
    """The test configuration and the orbit file of 2024-03-09 (day 069) in folder."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "kelvocc_kv1.std").write_text(CONFIG)
    (folder / "svi_069_2024.kv1").write_text(orbit_file_text(q))
    return folder


def batch(folder, request, *options):
    """A batch run in folder: (exit status, standard error, the `kelvis:` line's words)."""
    r = subprocess.run([BINARY, "--no-pdf", *options], input=request, cwd=folder,
                       capture_output=True, text=True, check=False)
    said = [line[len("kelvis: "):] for line in r.stderr.splitlines()
            if line.startswith("kelvis: ") and not line.startswith("kelvis: warning")]
    return r.returncode, r.stderr, said[-1] if said else ""


@pytest.fixture
def demo_dir(tmp_path):
    return install(tmp_path / "data")


@pytest.fixture
def examples_dir(tmp_path):
    """A copy of examples/ (configuration, orbit file, TLE, catalogue) with its out/ folder."""
    d = tmp_path / "examples"
    shutil.copytree(SOURCE_DIR / "examples", d, ignore=shutil.ignore_patterns("out"))
    (d / "out").mkdir()
    return d
