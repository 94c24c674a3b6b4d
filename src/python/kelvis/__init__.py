"""kelvis: viewing opportunities of the KELVORIN satellite, computed in this process.

    import kelvis
    r = kelvis.run(source="crab", ra=83.633, dec=22.0145,
                   start="2027-02-10T00:00:00", end="2027-02-12T00:00:00",
                   limits=kelvis.Limits(roll_sun=45, negative_roll_sun=45, roll_moon=10,
                                        roll_velocity=10, earth_limb_margin=5),
                   data_dir=".", now="2026-12-07T12:00:00", user="ann", tag="p")
    r.windows["visibility"]      # numpy structured array, one row per window
    r.to_json()                  # the document kelvis --json writes
    r.write_reports("out")       # the text reports of the batch run

The request is the batch program's 26 tokens, built from the arguments and checked by the
batch program's own rules; a failed check raises ValueError (OSError, or its subclass for
the errno, when a file cannot be opened or written) with the words of the `kelvis:` line.
Files are read from data_dir as a batch run in that folder reads them; nothing is written
unless asked (write_reports, or the reports folder of a catalogue).
"""

import dataclasses
import datetime as _dt
import json as _json
import numbers as _numbers
import os as _os
import re as _re
import warnings as _warnings

import numpy as _np

from . import _kelvis

__all__ = ["Limits", "Result", "run", "catalogue", "version", "WINDOW_DTYPE",
           "CATALOGUE_DTYPE"]

__version__ = _kelvis.version().split()[1]

# One window of a table: the times the reports print, their modified Julian dates, the orbit
# number at the start, the length in minutes.
WINDOW_DTYPE = _np.dtype([("start", "M8[ms]"), ("end", "M8[ms]"), ("start_mjd", "f8"),
                          ("end_mjd", "f8"), ("orbit", "i8"), ("duration_min", "f8")])
NODE_DTYPE = _np.dtype([("time", "M8[ms]"), ("mjd", "f8"), ("orbit", "i8")])
DAYWISE_DTYPE = _np.dtype([("day", "i8"), ("date", "M8[D]"), ("visibility_s", "f8"),
                           ("eclipse_viewing_s", "f8"), ("partial", "?")])
CATALOGUE_DTYPE = _np.dtype([("name", "U24"), ("ra_deg", "f8"), ("dec_deg", "f8"),
                             ("view_min", "f8"), ("visibility_min", "f8"), ("windows", "i8"),
                             ("longest_min", "f8"), ("first_start", "M8[ms]"),
                             ("last_start", "M8[ms]"), ("eclipse_viewing_min", "f8")])


@dataclasses.dataclass(frozen=True)
class Limits:
    """The attitude limits of a request, degrees (defaults: the typical request)."""
    roll_sun: float = 45
    negative_roll_sun: float = 45
    roll_moon: float = 10
    roll_velocity: float = 10
    earth_limb_margin: float = 5


def version():
    """The version line of the batch program, e.g. 'kelvis 0.2 (commit abc1234)'."""
    return _kelvis.version()


def _raise_plain(failure):
    message, errno = failure.args
    if errno:
        # The subclass of the errno (FileNotFoundError, ...), its text the plain words alone.
        exc = type(OSError(errno, message))(message)
        exc.errno = errno
        raise exc from None
    raise ValueError(message) from None


def _token(value, what):
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, _numbers.Integral):
        return str(int(value))
    if isinstance(value, _numbers.Real):
        return repr(float(value))
    text = _os.fspath(value) if isinstance(value, _os.PathLike) else str(value)
    if text == "" or any(c.isspace() for c in text):
        raise ValueError(f"{what} {text!r} is empty or holds white space, which would split "
                         "the request's tokens")
    return text


_TIME = _re.compile(r"(\d{4})-(\d{1,2})-(\d{1,2})[T ](\d{1,2}):(\d{1,2}):(\d{1,2})"
                    r"(?:\.(\d{1,3}))?Z?")


def _epoch_tokens(value, what):
    """The seven integers of a time: a datetime, numpy datetime64 or YYYY-MM-DDTHH:MM:SS[.mmm]."""
    if isinstance(value, _np.datetime64):
        value = str(value.astype("datetime64[ms]"))
    if isinstance(value, _dt.datetime):
        if value.tzinfo is not None:
            value = value.astimezone(_dt.timezone.utc).replace(tzinfo=None)
        if value.microsecond % 1000:
            raise ValueError(f"{what} {value.isoformat()} is finer than a millisecond")
        return [value.year, value.month, value.day, value.hour, value.minute, value.second,
                value.microsecond // 1000]
    m = _TIME.fullmatch(str(value))
    if not m:
        raise ValueError(f"{what} {value!r} is not a UTC time YYYY-MM-DDTHH:MM:SS[.mmm]")
    ms = (m.group(7) or "0").ljust(3, "0")
    return [int(g) for g in m.groups()[:6]] + [int(ms)]


def _now_seconds(now):
    if now is None:
        return None
    if isinstance(now, _dt.datetime):
        if now.tzinfo is not None:
            now = now.astimezone(_dt.timezone.utc).replace(tzinfo=None)
        now = now.strftime("%Y-%m-%dT%H:%M:%S")
    seconds = _kelvis.parse_utc(str(now))
    if seconds is None:
        raise ValueError(f"now {now!r}: not a UTC time YYYY-MM-DDTHH:MM:SS of 2000-2099")
    return seconds


def _request(user, source, satellite, ra, dec, start, end, limits, angle_file, tag):
    if not isinstance(limits, Limits):
        raise TypeError("limits must be a kelvis.Limits")
    tokens = [_token(user, "user name"), _token(source, "source name"),
              _token(satellite, "satellite id"), _token(ra, "right ascension"),
              _token(dec, "declination")]
    tokens += [str(v) for v in _epoch_tokens(start, "start")]
    tokens += [str(v) for v in _epoch_tokens(end, "end")]
    tokens += [_token(getattr(limits, f.name), f.name) for f in dataclasses.fields(Limits)]
    tokens += [_token(bool(angle_file), "angle file"), _token(tag, "run tag")]
    return " ".join(tokens) + "\n"


def _options(tle, threads, min_window, model, reports=None):
    if threads is not None:
        if isinstance(threads, bool) or not isinstance(threads, _numbers.Integral) \
                or not 1 <= threads <= 1024:
            raise ValueError(f"threads {threads!r} is not a whole number from 1 to 1024")
        threads = int(threads)
    return {"tle": None if tle is None else _os.fspath(tle), "threads": threads,
            "min-window": min_window, "model": model,
            "reports": None if reports is None else _os.fspath(reports)}


def _times(column):
    return _np.array([t.rstrip("Z") if t else "NaT" for t in column], dtype="M8[ms]")


def _windows(rows):
    table = _np.zeros(len(rows), dtype=WINDOW_DTYPE)
    if rows:
        table["start"] = _times([w["start"] for w in rows])
        table["end"] = _times([w["end"] for w in rows])
        for name in ("start_mjd", "end_mjd", "orbit", "duration_min"):
            table[name] = [w[name] for w in rows]
    return table


def _calendar(rows, key):
    dtype = _np.dtype([(key, "U10"), ("visibility_s", "f8"), ("eclipse_viewing_s", "f8")])
    table = _np.zeros(len(rows), dtype=dtype)
    for name in dtype.names:
        if rows:
            table[name] = [r[name] for r in rows]
    return table


class Result:
    """The results of one request: the content of its JSON document.

    document        the whole document as Python values (json.loads of to_json())
    provenance      the document without its tables: versions, request, configuration,
                    orbit file or TLE, models, output names
    windows         {"visibility", "eclipse_viewing", "view", "occultations", "eclipses",
                    "saa_passages"}: numpy structured arrays of WINDOW_DTYPE
    ascending_nodes numpy structured array (time, mjd, orbit)
    totals          {"view_min", "visibility_min", "eclipse_viewing_min"}
    daywise         numpy structured array (day, date, visibility_s, eclipse_viewing_s, partial)
    calendar_days, calendar_months
                    numpy structured arrays (date or month, visibility_s, eclipse_viewing_s):
                    the UTC calendar days and months, windows split at midnight
    seasons, limits_report, why_not, next_visible, long_windows
                    the planner's answers as the document holds them (None where absent)
    warnings        what the batch run prints as warnings (also issued as UserWarning)
    """

    def __init__(self, run):
        self._run = run
        self._json = run.json(False)
        self.document = _json.loads(self._json)
        answers = ("seasons", "calendar", "limits_report", "why_not", "next_visible",
                   "long_windows")
        tables = ("windows", "ascending_nodes", "totals", "daywise", "pdf") + answers
        self.provenance = {k: v for k, v in self.document.items() if k not in tables}
        self.windows = {name: _windows(rows) for name, rows in self.document["windows"].items()}
        nodes = self.document["ascending_nodes"]
        self.ascending_nodes = _np.zeros(len(nodes), dtype=NODE_DTYPE)
        if nodes:
            self.ascending_nodes["time"] = _times([n["time"] for n in nodes])
            self.ascending_nodes["mjd"] = [n["mjd"] for n in nodes]
            self.ascending_nodes["orbit"] = [n["orbit"] for n in nodes]
        self.totals = dict(self.document["totals"])
        days = self.document["daywise"]
        self.daywise = _np.zeros(len(days), dtype=DAYWISE_DTYPE)
        for name in DAYWISE_DTYPE.names:
            if days:
                self.daywise[name] = [d[name] for d in days]
        calendar = self.document.get("calendar", {"days": [], "months": []})
        self.calendar_days = _calendar(calendar["days"], "date")
        self.calendar_months = _calendar(calendar["months"], "month")
        for name in answers:
            if name != "calendar":
                setattr(self, name, self.document.get(name))
        self.warnings = list(run.warnings)

    def to_json(self):
        """The JSON document byte for byte as `kelvis --no-pdf --json FILE` writes it (no PDF
        is made here, so "pdf": {"made": false})."""
        return self._json

    def write_reports(self, dir="."):
        """Writes the text reports into the folder dir (created) byte for byte as the batch
        run writes them (the PostScript and PDF aside); returns the paths written."""
        try:
            return self._run.write_reports(_os.fspath(dir))
        except _kelvis.Failure as failure:
            _raise_plain(failure)

    def __repr__(self):
        src = self.provenance["request"]["source"]
        return (f"<kelvis.Result {src['name']} {self.provenance['request']['start']} to "
                f"{self.provenance['request']['end']}: {len(self.windows['visibility'])} "
                f"visibility windows, {self.totals['visibility_min']:.1f} min>")


def run(source, ra, dec, start, end, limits=Limits(), *, user="user", tag="py",
        satellite="kv1", angle_file=False, data_dir=".", now=None, tle=None, threads=None,
        min_window=None, model=None):
    """Computes one request in this process and returns its Result.

    source, ra, dec   the source's name and position (degrees, true equator of date)
    start, end        UTC: "YYYY-MM-DDTHH:MM:SS[.mmm]", datetime or numpy datetime64
    limits            kelvis.Limits (degrees)
    user, tag         the user name and run tag of the request (they name the reports)
    angle_file        True keeps the attitude angles of every minute (the view-angle file)
    data_dir          folder of kelvocc_<sid>.std and the orbit files (and a relative tle)
    now               the run's wall-clock time (--now), default the clock
    tle, threads      as --tle FILE and --threads N (default all cores)
    model             "classic" (default) or "precise", as --model
    min_window        as --min-window MINUTES: the long windows in the document
    The interpreter lock is released while the request is computed.
    """
    request = _request(user, source, satellite, ra, dec, start, end, limits, angle_file, tag)
    options = _options(tle, threads, min_window, model)
    try:
        result = Result(_kelvis.run(request, _now_seconds(now), _os.fspath(data_dir), options))
    except _kelvis.Failure as failure:
        _raise_plain(failure)
    for w in result.warnings:
        _warnings.warn(w, stacklevel=2)
    return result


def catalogue(sources, start, end, limits=Limits(), *, user="user", tag="py", satellite="kv1",
              angle_file=False, data_dir=".", now=None, tle=None, threads=None, reports=None,
              min_window=None, model=None):
    """Computes one request for every source, as `kelvis --catalogue`: the orbit, Sun and
    Moon, eclipses, SAA passages and orbit numbers once, then the sources in parallel on
    `threads` threads with the interpreter lock released.

    sources   a list of (name, ra_deg, dec_deg), or the path of a catalogue CSV file
              (header name,ra_deg,dec_deg); the rows are checked as the batch program checks
              them (for a list, line n of a message is item n - 2)
    reports   a folder that receives every source's text reports (as --reports DIR; with
              angle_file, their view-angle files too)
    Returns a numpy structured array of CATALOGUE_DTYPE, one row per source in order
    (first_start and last_start NaT for a source never visible).
    """
    # The request's own source is not used; any valid one fills its tokens.
    request = _request(user, "catalogue", satellite, 0, 0, start, end, limits, angle_file,
                       tag)
    if reports is not None:
        _os.makedirs(reports, exist_ok=True)
    options = _options(tle, threads, min_window, model, reports)
    if isinstance(sources, (str, bytes, _os.PathLike)):
        path, text = _os.fspath(sources), None
    else:
        path = "<list>"
        lines = ["name,ra_deg,dec_deg"]
        for item in sources:
            name, ra, dec = item
            lines.append(f"{name},{_token(ra, 'right ascension')},{_token(dec, 'declination')}")
        text = "\n".join(lines) + "\n"
    try:
        rows = _kelvis.catalogue(request, _now_seconds(now), _os.fspath(data_dir), options,
                                 path, text)
    except _kelvis.Failure as failure:
        _raise_plain(failure)
    table = _np.zeros(len(rows), dtype=CATALOGUE_DTYPE)
    if rows:
        columns = list(zip(*rows))
        for k, name in enumerate(CATALOGUE_DTYPE.names):
            table[name] = _times(columns[k]) if name.endswith("_start") else columns[k]
    return table
