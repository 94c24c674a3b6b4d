"""The module's results equal the batch run's on the golden cases: the JSON document byte
for byte, the windows' arrays value for value, and the text reports byte for byte as in
tests/data/golden/<case>/."""
import json
import pathlib

import numpy as np
import pytest

import kelvis
from conftest import GOLDEN, GOLDEN_LIMITS, SOURCE_DIR, TYPICAL, batch, install


def request_of(case):
    q, changes = GOLDEN[case]
    kwargs = dict(TYPICAL, **changes)
    kwargs["limits"] = kelvis.Limits(**GOLDEN_LIMITS.get(case, {}))
    return q, kwargs


def check_arrays(result, doc):
    for name, rows in doc["windows"].items():
        table = result.windows[name]
        assert len(table) == len(rows), name
        for row, w in zip(table, rows):
            assert str(row["start"]) + "Z" == w["start"]
            assert str(row["end"]) + "Z" == w["end"]
            assert row["start_mjd"] == w["start_mjd"] and row["end_mjd"] == w["end_mjd"]
            assert row["orbit"] == w["orbit"] and row["duration_min"] == w["duration_min"]
    assert result.totals == doc["totals"]
    assert [str(d) for d in result.daywise["date"]] == [d["date"] for d in doc["daywise"]]
    assert list(result.daywise["visibility_s"]) == [d["visibility_s"] for d in doc["daywise"]]
    assert list(result.ascending_nodes["orbit"]) == [n["orbit"] for n in doc["ascending_nodes"]]


@pytest.mark.parametrize("case", sorted(GOLDEN))
def test_json_and_reports_equal_the_batch_run(case, tmp_path):
    q, kwargs = request_of(case)
    data = install(tmp_path / "data", q)
    result = kelvis.run(data_dir=data, **kwargs)
    request = kelvis._request(kwargs["user"], kwargs["source"], "kv1", kwargs["ra"],
                              kwargs["dec"], kwargs["start"], kwargs["end"], kwargs["limits"],
                              kwargs.get("angle_file", False), kwargs["tag"])
    status, err, _ = batch(data, request, "--now", kwargs["now"], "--json", "doc.json")
    assert status == 0, err
    text = (data / "doc.json").read_text()
    assert result.to_json() == text
    check_arrays(result, json.loads(text))

    out = tmp_path / "reports"
    written = result.write_reports(out)
    golden = SOURCE_DIR / "tests" / "data" / "golden" / case
    assert sorted(pathlib.Path(f).name for f in written) == sorted(p.name for p in golden.iterdir())
    for f in golden.iterdir():
        assert (out / f.name).read_bytes() == f.read_bytes(), f.name


@pytest.mark.parametrize("model", ["classic", "precise"])
def test_orbit_from_a_tle_equals_the_batch_run(examples_dir, model):
    kwargs = dict(TYPICAL, tag="t1")
    result = kelvis.run(data_dir=examples_dir, tle="kv1.tle", model=model, **kwargs)
    request = kelvis._request("ann", "crab", "kv1", 83.63, 22.01, kwargs["start"], kwargs["end"],
                              kelvis.Limits(), False, "t1")
    status, err, _ = batch(examples_dir, request, "--now", kwargs["now"], "--tle", "kv1.tle",
                           "--model", model, "--json", "doc.json")
    assert status == 0, err
    assert result.to_json() == (examples_dir / "doc.json").read_text()
    assert result.provenance["tle"]["path"] == "kv1.tle"
    assert result.provenance["model"] == model


def test_catalogue_equals_the_batch_catalogue(examples_dir):
    csv = examples_dir / "catalogue.csv"
    table = kelvis.catalogue(csv, "2024-03-10T00:00:00", "2024-03-12T00:00:00", user="ann",
                             tag="r7", data_dir=examples_dir, now=TYPICAL["now"], threads=2)
    request = "ann crab kv1 83.63 22.01 2024 3 10 0 0 0 0 2024 3 12 0 0 0 0 45 45 10 10 5 0 r7\n"
    status, err, _ = batch(examples_dir, request, "--now", TYPICAL["now"], "--catalogue",
                           "catalogue.csv", "--json", "cat.json")
    assert status == 0, err
    rows = json.loads((examples_dir / "cat.json").read_text())["sources"]
    assert list(table["name"]) == [r["name"] for r in rows]
    for name in ("ra_deg", "dec_deg", "view_min", "visibility_min", "windows", "longest_min",
                 "eclipse_viewing_min"):
        assert list(table[name]) == [r[name] for r in rows], name
    for name in ("first_start", "last_start"):
        assert [str(t) + "Z" if not np.isnat(t) else "" for t in table[name]] == \
            [r[name] for r in rows]
    # The same sources given as a list, on one thread.
    listed = [(str(r["name"]), float(r["ra_deg"]), float(r["dec_deg"])) for r in table]
    again = kelvis.catalogue(listed, "2024-03-10T00:00:00", "2024-03-12T00:00:00", user="ann",
                             tag="r7", data_dir=examples_dir, now=TYPICAL["now"], threads=1)
    assert again.tobytes() == table.tobytes()


def test_answers_and_calendar_arrays(examples_dir):
    result = kelvis.run(data_dir=examples_dir, **dict(TYPICAL, tag="cal"))
    assert result.calendar_days["visibility_s"].sum() == pytest.approx(
        result.totals["visibility_min"] * 60, abs=1e-3)
    assert result.seasons == result.document["seasons"]
    assert len(result.calendar_months) >= 1
