"""Every class of bad input raises a Python exception with the words of the batch program's
`kelvis:` line: ValueError for a bad request, configuration or orbit, OSError (the subclass
of its errno) for a file that cannot be opened or written."""
import math
import os

import pytest

import kelvis
from conftest import NOW, TYPICAL, batch, install

# (what is wrong, changes to the typical request): each refused by the batch program's
# request rules (docs/bad-input.md lists them).
BAD_REQUESTS = [
    ("user name of 25 characters", dict(user="u" * 25)),
    ("user name with '/'", dict(user="../ann")),
    ("source name of 25 characters", dict(source="s" * 25)),
    ("source name with a control character", dict(source="cr\x01ab")),
    ("satellite id too long", dict(satellite="kv12")),
    ("right ascension above 360", dict(ra=360.0001)),
    ("right ascension nan", dict(ra=math.nan)),
    ("right ascension not a number", dict(ra="1O")),
    ("declination below -90", dict(dec=-90.0001)),
    ("start year 1999", dict(start="1999-12-31T00:00:00")),
    ("day that does not exist", dict(start="2023-02-29T00:00:00")),
    ("hour 24", dict(end="2024-03-12T24:00:00")),
    ("end before the start", dict(end="2024-03-09T00:00:00")),
    ("period over 400 days", dict(end="2025-04-20T00:00:00")),
    ("limit not finite", dict(limits=kelvis.Limits(roll_moon=math.inf))),
    ("run tag with '/'", dict(tag="a/b")),
    ("run tag of 100 characters", dict(tag="t" * 100)),
    ("start before the orbit epoch", dict(start="2024-03-08T00:00:00")),
]


def request_text(kwargs):
    return kelvis._request(kwargs["user"], kwargs["source"], kwargs.get("satellite", "kv1"),
                           kwargs["ra"], kwargs["dec"], kwargs["start"], kwargs["end"],
                           kwargs.get("limits", kelvis.Limits()), False, kwargs["tag"])


@pytest.mark.parametrize("what,changes", BAD_REQUESTS, ids=[w for w, _ in BAD_REQUESTS])
def test_bad_request_raises_value_error_with_the_batch_words(what, changes, demo_dir):
    kwargs = dict(TYPICAL, **changes)
    with pytest.raises(ValueError) as caught:
        kelvis.run(data_dir=demo_dir, **kwargs)
    status, _, said = batch(demo_dir, request_text(kwargs), "--now", NOW)
    assert status != 0 and said, what
    assert str(caught.value) == said


def expect_same_failure(exc_type, data_dir, kwargs, *options, **run_options):
    with pytest.raises(exc_type) as caught:
        kelvis.run(data_dir=data_dir, **kwargs, **run_options)
    status, _, said = batch(data_dir, request_text(kwargs), *options)
    assert status != 0
    assert str(caught.value) == said
    return caught.value


def test_missing_configuration_is_file_not_found(tmp_path):
    e = expect_same_failure(FileNotFoundError, tmp_path, TYPICAL, "--now", NOW)
    assert e.errno == 2


def test_configuration_of_another_satellite_is_value_error(demo_dir):
    (demo_dir / "kelvocc_kv1.std").write_text(
        (demo_dir / "kelvocc_kv1.std").read_text().replace("\nkv1\n", "\nkv2\n"))
    expect_same_failure(ValueError, demo_dir, TYPICAL, "--now", NOW)


def test_no_orbit_file_is_file_not_found(demo_dir):
    kwargs = dict(TYPICAL, now="2024-06-01T00:00:00")
    expect_same_failure(FileNotFoundError, demo_dir, kwargs, "--now", kwargs["now"])


def test_orbit_file_of_no_closed_orbit_is_value_error(tmp_path):
    data = install(tmp_path, (7028.137, 1.5, 6.0, 100.0, 45.0, 30.0))
    expect_same_failure(ValueError, data, TYPICAL, "--now", NOW)


def test_missing_tle_file_is_file_not_found(demo_dir):
    expect_same_failure(FileNotFoundError, demo_dir, TYPICAL, "--now", NOW, "--tle", "none.tle",
                        tle="none.tle")


def test_reports_into_a_file_is_os_error(demo_dir, tmp_path):
    result = kelvis.run(data_dir=demo_dir, **TYPICAL)
    (tmp_path / "plain").write_text("")
    with pytest.raises(OSError):
        result.write_reports(tmp_path / "plain")


@pytest.mark.parametrize("kwargs,exc_type", [
    (dict(now="2024-03-09 12:00"), ValueError),
    (dict(now="1999-03-09T12:00:00"), ValueError),
    (dict(start="10 March 2024"), ValueError),
    (dict(user="ann smith"), ValueError),
    (dict(threads=0), ValueError),
    (dict(model="exact"), ValueError),
])
def test_bad_arguments(kwargs, exc_type, demo_dir):
    with pytest.raises(exc_type):
        kelvis.run(data_dir=demo_dir, **dict(TYPICAL, **kwargs))


def test_bad_catalogue_rows_and_missing_catalogue(demo_dir):
    period = ("2024-03-10T00:00:00", "2024-03-12T00:00:00")
    with pytest.raises(ValueError, match="catalogue <list>: 2 bad rows"):
        kelvis.catalogue([("a", 10, 10), ("b", 400, 0), ("a", 1, 1)], *period,
                         data_dir=demo_dir, now=NOW)
    with pytest.raises(FileNotFoundError, match="cannot open the catalogue"):
        kelvis.catalogue(os.fspath(demo_dir / "none.csv"), *period, data_dir=demo_dir, now=NOW)
