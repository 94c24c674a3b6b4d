#!/usr/bin/python3
# Makes kv1-nodes.csv, the ascending equator crossings of examples/kv1.tle over 3 days from
# 2024-03-10 0h UTC, with python-sgp4 (Debian package python3-sgp4, WGS-72, improved mode),
# an independent reference for tests/driver/tle_run_test.cpp, never code of kelvis.
# A crossing is where z (TEME, whose equator is the true equator of date) turns from
# negative to positive, found by bisection to 1e-7 s on a 60 s scan.
# Rerun: /usr/bin/python3 tests/data/sgp4/make-nodes.py
import os

from sgp4.api import WGS72, Satrec

here = os.path.dirname(os.path.abspath(__file__))
tle = [l.rstrip('\r\n') for l in open(os.path.join(here, '../../../examples/kv1.tle'))]
sat = Satrec.twoline2rv(tle[1], tle[2], WGS72)
START_MIN = 1440.0  # 2024-03-10 0h is one day after the set's epoch (2024 day 69.0)


def z(minutes):
    err, r, _ = sat.sgp4_tsince(minutes)
    assert err == 0
    return r[2]


with open(os.path.join(here, 'kv1-nodes.csv'), 'w') as out:
    out.write('# seconds after 2024-03-10T00:00:00 UTC of the ascending nodes of examples/kv1.tle\n')
    t = START_MIN
    while t < START_MIN + 3 * 1440:
        a, b = t, t + 1.0
        if z(a) < 0 <= z(b):
            while (b - a) * 60 > 1e-7:
                m = (a + b) / 2
                a, b = (m, b) if z(m) < 0 else (a, m)
            out.write('%.6f\n' % ((a - START_MIN) * 60))
        t = b if z(a) < 0 <= z(b) else t + 1.0
