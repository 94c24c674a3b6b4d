#!/usr/bin/python3
# Makes reference.csv, the SGP4 reference states of tests/orbit/sgp4_test.cpp, with python-sgp4
# (Debian package python3-sgp4, WGS-72 constants, improved mode), used only as an independent
# reference and never as code of kelvis.
#
# Input:  near_earth.tle beside this script: the near-Earth sets (period below 225 minutes) of
#         the verification set of Vallado, Crawford, Hujsak and Kelso, "Revisiting Spacetrack
#         Report #3", AIAA 2006-6753 (file SGP4-VER.TLE, shipped with python3-sgp4), and two
#         sets of our own (near the critical inclination; circular and Sun-synchronous).
# Output: reference.csv: catalogue number, minutes since epoch, error code of the propagation,
#         then position (km) and velocity (km/s) in TEME; with an error code other than 0 the
#         state columns are empty.
# Rerun:  apt-get install python3-sgp4; tests/data/sgp4/make-reference.py
#         (the system Python, /usr/bin/python3, which sees the Debian package).
import os

from sgp4.api import WGS72, Satrec

here = os.path.dirname(os.path.abspath(__file__))
lines = [l.rstrip('\r\n') for l in open(os.path.join(here, 'near_earth.tle'))]
element_lines = [l for l in lines if l[:2] in ('1 ', '2 ')]

# -1 to +3 days every 4 hours, and a few minutes after the epoch where the high-drag sets of
# the verification set decay.
times = [float(t) for t in range(-1440, 4321, 240)] + [5.0, 47.5, 95.0, 300.0]

with open(os.path.join(here, 'reference.csv'), 'w') as out:
    out.write('catalogue,minutes,error,x_km,y_km,z_km,vx_km_s,vy_km_s,vz_km_s\n')
    for k in range(0, len(element_lines), 2):
        sat = Satrec.twoline2rv(element_lines[k], element_lines[k + 1], WGS72)
        for t in sorted(times):
            err, r, v = sat.sgp4_tsince(t)
            row = '%05d,%.1f,%d' % (sat.satnum, t, err)
            if err == 0:
                row += ',%.9f,%.9f,%.9f,%.12f,%.12f,%.12f' % (*r, *v)
            else:
                row += ',,,,,,'
            out.write(row + '\n')
