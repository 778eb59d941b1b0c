#!/usr/bin/env python3
"""Checks `nodo-cli ics` with a real iCalendar parser (python3-icalendar) and against the same
program's `lunar --range`, day by day.

usage: ics_check.py NODO_CLI
"""
import os
import subprocess
import sys
import unittest
from collections import Counter
from datetime import date, timedelta

import icalendar

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "nodo-cli"
if os.environ.get("NODO_APP_DIR"):
    CLI = os.path.join(os.environ["NODO_APP_DIR"], "nodo-cli")


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True)


def export(*args):
    r = run("ics", *args)
    if r.returncode != 0:
        raise AssertionError(f"nodo-cli ics {' '.join(args)}: {r.returncode}: {r.stderr.decode()}")
    return r.stdout


def events(raw):
    cal = icalendar.Calendar.from_ical(raw)
    found = []
    for e in cal.walk("VEVENT"):
        start = e.decoded("DTSTART")
        end = e.decoded("DTEND")
        found.append({
            "uid": str(e["UID"]),
            "summary": str(e["SUMMARY"]),
            "category": e["CATEGORIES"].to_ical().decode(),
            "start": start,
            "end": end,
            "stamp": e.decoded("DTSTAMP"),
        })
    return cal, found


class IcsExport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.raw = export("2026", "2027")
        cls.cal, cls.events = events(cls.raw)

    def test_parses_with_calendar_properties(self):
        self.assertEqual(str(self.cal["VERSION"]), "2.0")
        self.assertTrue(str(self.cal["PRODID"]).startswith("-//Nodo//nodo-cli "))
        for e in self.events:
            self.assertIsInstance(e["start"], date)
            self.assertEqual(e["end"] - e["start"], timedelta(days=1), e)
            self.assertIsNotNone(e["stamp"].tzinfo, e)

    def test_lines_end_in_crlf_and_fold_at_75_octets(self):
        self.assertTrue(self.raw.endswith(b"END:VCALENDAR\r\n"))
        body = self.raw[:-2]
        for line in body.split(b"\r\n"):
            self.assertNotIn(b"\n", line)
            self.assertNotIn(b"\r", line)
            self.assertLessEqual(len(line), 75, line)
            line.decode("utf-8")  # a fold never cuts a character

    def test_festival_and_term_days(self):
        def days_of(name):
            return sorted(e["start"] for e in self.events if e["summary"] == name)

        self.assertEqual(days_of("春节"), [date(2026, 2, 17), date(2027, 2, 6)])
        self.assertEqual(days_of("清明"), [date(2026, 4, 5), date(2027, 4, 5)])
        self.assertEqual(days_of("除夕"), [date(2026, 2, 16), date(2027, 2, 5)])

    def test_uids_unique_and_kept_by_a_second_export(self):
        uids = [e["uid"] for e in self.events]
        self.assertEqual(len(uids), len(set(uids)))
        _, again = events(export("2026", "2027"))
        self.assertEqual(sorted(uids), sorted(e["uid"] for e in again))
        # A wider export holds the same events under the same identifiers.
        _, wider = events(export("2025", "2028"))
        by_uid = {e["uid"]: (e["start"], e["summary"]) for e in wider}
        for e in self.events:
            self.assertEqual(by_uid.get(e["uid"]), (e["start"], e["summary"]), e["uid"])

    def test_every_event_matches_the_lunar_command(self):
        _, found = events(export("2026", "2027", "--lunar-days"))
        got = Counter((e["start"].isoformat(), e["category"], e["summary"]) for e in found)
        r = run("lunar", "--range", "2026-01-01", "2027-12-31")
        self.assertEqual(r.returncode, 0, r.stderr)
        want = Counter()
        for line in r.stdout.decode().splitlines():
            f = line.split("\t")
            day, leap = f[0], f[3] == "1"
            want[(day, "农历", f[5] + f[6])] += 1
            if f[12]:
                want[(day, "节气", f[12])] += 1
            if f[13]:
                want[(day, "公历节日", f[13])] += 1
            if f[14] and (not leap or f[14] == "除夕"):
                want[(day, "农历节日", f[14])] += 1
        self.assertGreater(len(want), 730 + 2 * (24 + 18))
        self.assertEqual(got, want)


class IcsArguments(unittest.TestCase):
    def test_bad_arguments_exit_1_with_a_message(self):
        for args, words in [
            ([], "first year"),
            (["20x6"], "not a year"),
            (["1582"], "outside"),
            (["2101"], "outside"),
            (["2027", "2026"], "before"),
            (["2026", "2027", "2028"], "at most two"),
            (["2026", "--lunar"], "unknown option"),
        ]:
            r = run("ics", *args)
            self.assertEqual(r.returncode, 1, args)
            self.assertEqual(r.stdout, b"", args)
            self.assertIn(words, r.stderr.decode(), args)
            self.assertIn("usage: nodo-cli ics", r.stderr.decode(), args)

    def test_one_year_alone(self):
        _, found = events(export("2030"))
        self.assertTrue(all(e["start"].year == 2030 for e in found))
        self.assertEqual(sum(1 for e in found if e["category"] == "节气"), 24)


if __name__ == "__main__":
    unittest.main(verbosity=2)
